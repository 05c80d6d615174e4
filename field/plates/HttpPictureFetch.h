#pragma once

#include <QUrl>

#include "PictureSources.h"

namespace field {

inline constexpr int kPictureFetchSeconds = 5;
inline constexpr qsizetype kMaxFetchedPictureBytes = 8 * 1024 * 1024;

// GET over plain HTTP, given up after 5 s in all or past 8 MB.
FetchedPicture FetchPictureOverHttp(const QUrl& url);

}  // namespace field
