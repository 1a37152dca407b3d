#include "artwork/Artwork.h"

QString ArtworkPath(const char* name) {
    return QStringLiteral(":/artwork/") + QString::fromUtf8(name);
}
