// Parsing of XML documents with TinyXML, whatever they hold: skin documents
// (skin_xml.h) and the query site's result pages alike. The parser itself
// bounds element nesting and attributes per element (our build patches it);
// the text is made safe for it first: TinyXML trusts the length a UTF-8 lead
// byte declares and would read past a cut character.
#pragma once

#include <string>

class TiXmlDocument;

// Elements nest at most this deep and carry at most this many attributes; a
// document beyond either does not parse. The program's own documents nest less
// than ten levels with fewer than twenty attributes an element.
constexpr int kMaxXmlDepth = 256;
constexpr int kMaxXmlAttributes = 128;

// `bytes` as the parser may read it: cut at the first zero byte, every
// malformed UTF-8 sequence (stray or missing continuation bytes, overlong
// forms, surrogates, values past U+10FFFF) replaced by U+FFFD, and followed by
// zero bytes beyond the terminator, so that no step over a declared character
// length leaves the buffer.
std::string PrepareXmlText(std::string bytes);
// Room PrepareXmlText needs after well-formed text to add its padding in place.
constexpr size_t kXmlTextSpare = 4;

// Parses a document as UTF-8 (a leading byte-order mark is accepted),
// prepared as PrepareXmlText does. False when the text is null, nests too
// deeply, has an element with too many attributes or does not parse;
// `document` then holds no nodes.
bool ParseXmlDocument(std::string bytes, TiXmlDocument& document);
bool ParseXmlDocument(const char* text, TiXmlDocument& document);
// Parses wide text (a result page) as its UTF-8 encoding, up to its first
// zero. The encoding is well-formed by construction, so it is only padded,
// not checked again. The wide text is freed before the parse tree is built.
bool ParseXmlDocument(std::wstring text, TiXmlDocument& document);
