#pragma once
// Pictures as the programs load them: from a file or a Qt resource (":/artwork/..."), JPEG through libjpeg
// (Jpeg.h), any other kind Qt reads (PNG for the image-list strips).

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>

#include "platform/rtl/SysUtils.h"

TARVO_DECLARE_EXCEPTION(EInvalidGraphic, Exception);

// The class library's colour: $00BBGGRR, or a system colour (high bit set, low byte the element's number).
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clBtnHighlight = 0x80000014;
// System colours take the classic desktop scheme.
QColor ColorToQColor(TColor color);

// Raises EInvalidGraphic "Cannot load the picture name: reason" when the file is missing or not a picture.
QImage LoadPicture(const QString& fileName);
