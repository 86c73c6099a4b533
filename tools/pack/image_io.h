#pragma once
// Picture files the pack tool reads and writes: SVG sources (librsvg), PNG sources and PNG output
// (libpng). Pictures are 0xAARRGGBB, top row first, not premultiplied.

#include <string>

#include "engine/pack_data.h"

// Renders the SVG at its own width and height in px (96 dpi for other units).
Picture RasteriseSvg(const std::string& path);
Picture ReadPng(const std::string& path);
void WritePng(const Picture& picture, const std::string& path);

// Marks the picture as carrying alpha when any pixel is not fully opaque.
void UpdateHasAlpha(Picture& picture);
