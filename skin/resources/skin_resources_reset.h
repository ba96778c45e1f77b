// Returns the process-wide state of the skin resources to what a new process
// starts with. The program sets its resources up once and never calls this;
// tests call it (through ResetSkinLibrary) so that every case starts alike,
// whatever ran before it in the same process.
#pragma once

// No skin folder; empty string table, style and skin pools; no bitmap or PNG
// image loaded; the font pool at its initial face and height; the theme entry
// points bound again at their next use. Everything handed out before
// (fonts, bitmaps, images, skins, styles) is gone: nothing may still use it.
void ResetSkinResources();
