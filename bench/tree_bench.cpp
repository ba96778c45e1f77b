// Element tree benchmark: parsing a document, building its element tree and
// laying it out, against a bare TinyXML parse of the same bytes. Documents:
// the program's main layer (resource 103 with its header and footer
// fragments 104 and 105, sections placed in a 680 x 430 client area as the
// host window places them) and a generated document of 2,000 elements.
// Prints medians of several runs.
#include <windows.h>

#include <tinyxml.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/style.h"
#include "skin/tree/containers.h"

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 430;

size_t CountElements(CBkWindow* element) {
  size_t count = 1;
  if (auto* panel = dynamic_cast<CBkPanel*>(element)) {
    for (size_t i = 0; i < panel->ChildCount(); ++i) count += CountElements(panel->ChildAt(i));
  }
  return count;
}

// The three sections of a layer document, loaded and placed the way the host
// window does it. Answers the number of elements.
size_t BuildLayer(const std::string& bytes) {
  TiXmlDocument document;
  if (!ParseSkinDocument(bytes, document) || !document.RootElement()) return 0;
  const TiXmlElement* layer = document.RootElement();
  CBkDialog header, body, footer;
  int headerBottom = 0, footerHeight = 0;
  size_t count = 0;
  if (const TiXmlElement* xml = layer->FirstChildElement("header")) {
    header.Load(xml);
    header.SetAttribute("pos", "0,0,-0," + std::string(xml->Attribute("height")), true);
    PlaceElement(header, 0, 0, kWidth, kHeight);
    headerBottom = header.GetRect().bottom;
    count += CountElements(&header);
  }
  if (const TiXmlElement* xml = layer->FirstChildElement("footer")) {
    footer.Load(xml);
    footer.SetAttribute("pos", "0,-" + std::string(xml->Attribute("height")) + ",-0,-0", true);
    PlaceElement(footer, 0, 0, kWidth, kHeight);
    footerHeight = footer.GetRect().bottom - footer.GetRect().top;
    PlaceElement(footer, 0, kHeight - footerHeight, kWidth, footerHeight);
    count += CountElements(&footer);
  }
  if (const TiXmlElement* xml = layer->FirstChildElement("body")) {
    body.Load(xml);
    body.SetAttribute("pos", "0,0,-0,-0", true);
    PlaceElement(body, 0, headerBottom, kWidth, kHeight - footerHeight - headerBottom);
    count += CountElements(&body);
  }
  for (CBkDialog* section : {&header, &body, &footer}) section->SendElementMessage(WM_DESTROY);
  return count;
}

// 40 dialogs of 49 children each: 2,000 elements with classes, colours and
// four-item positions of every kind.
std::string MakeGenerated() {
  static const char* const kPositions[] = {"0,0,-0,-0", "|-90,0,|90,-0", "-54,6,-6,-6", "0,|0,-0,-0",
                                           "10,7,60,-7", "-180,0,-0,-0", "0,4,-0,-1"};
  std::string text = "<dlg pos=\"0,0,-0,-0\" class=\"mainbody\">";
  for (int group = 0; group < 40; ++group) {
    text += "<dlg id=\"" + std::to_string(1000 + group) + "\" pos=\"" + kPositions[group % 7] +
            "\" class=\"fill\" crbg=\"FBFCFD\">";
    for (int child = 0; child < 49; ++child) {
      text += "<dlg id=\"" + std::to_string(group * 100 + child) + "\" pos=\"" + kPositions[child % 7] +
              "\" crtext=\"000000\" transparent=\"" + std::to_string(child % 2) + "\"/>";
    }
    text += "</dlg>";
  }
  return text + "</dlg>";
}

size_t BuildGenerated(const std::string& bytes) {
  TiXmlDocument document;
  if (!ParseSkinDocument(bytes, document)) return 0;
  CBkDialog root;
  root.Load(document.RootElement());
  root.SetAttribute("pos", "0,0,-0,-0", true);
  PlaceElement(root, 0, 0, kWidth, kHeight);
  const size_t count = CountElements(&root);
  root.SendElementMessage(WM_DESTROY);
  return count;
}

double BareParse(const std::vector<const std::string*>& documents) {
  return MedianSeconds(15, [&] {
    for (const std::string* bytes : documents) {
      TiXmlDocument document;
      document.Parse(bytes->c_str(), nullptr, TIXML_ENCODING_UTF8);
    }
  });
}

}  // namespace

int main() {
  LoadStrings(102);
  LoadStyles(101);
  LoadSkins(100);
  std::string layer, header, footer;
  if (!LoadSkinResource(103, layer, L"xml") || !LoadSkinResource(104, header, L"xml") ||
      !LoadSkinResource(105, footer, L"xml")) {
    std::printf("error: the program's documents are missing\n");
    return 1;
  }
  const std::string generated = MakeGenerated();

  std::printf("Element tree: parse + build + layout against a bare TinyXML parse of the same bytes\n");
  std::printf("median of 15 runs; target ratio 3.0 or less\n");
  std::printf("%-28s %9s %12s %12s %14s %8s\n", "document", "elements", "tree ms", "bare ms", "us per element",
              "ratio");
  size_t elements = 0;
  const double layerTree = MedianSeconds(15, [&] { elements = BuildLayer(layer); });
  const double layerBare = BareParse({&layer, &header, &footer});
  std::printf("%-28s %9u %12.3f %12.3f %14.2f %8.2f\n", "main layer 103 (+104, 105)",
              static_cast<unsigned>(elements), layerTree * 1000, layerBare * 1000, layerTree * 1e6 / elements,
              layerTree / layerBare);
  const double generatedTree = MedianSeconds(15, [&] { elements = BuildGenerated(generated); });
  const double generatedBare = BareParse({&generated});
  std::printf("%-28s %9u %12.3f %12.3f %14.2f %8.2f\n", "generated", static_cast<unsigned>(elements),
              generatedTree * 1000, generatedBare * 1000, generatedTree * 1e6 / elements,
              generatedTree / generatedBare);
  if (BkWindowRegistry::Instance().Count() != 0) {
    std::printf("error: %u elements left registered\n", static_cast<unsigned>(BkWindowRegistry::Instance().Count()));
    return 1;
  }
  return 0;
}
