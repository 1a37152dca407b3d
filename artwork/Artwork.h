#pragma once
// The programs' pictures, compiled in: ArtworkPath("navi.png") names the resource to load (LoadPicture, or
// TImageList::AddFromFile for a strip of button faces).

#include <QString>

QString ArtworkPath(const char* name);
