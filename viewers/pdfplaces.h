// Where the user left each document, so that reopening it starts there.
#pragma once

#include <QString>

#include <optional>

namespace pdfplaces {

// How many documents are remembered; the ones left longest ago are forgotten first.
inline constexpr int maximumDocuments = 200;

struct Place
{
    int page = 0; // zero-based
    int dpi = 100;
    // "width" or "page" when the zoom follows the window; empty for a resolution the user chose.
    QString fit;
    // Whether the pages were shown one below the other.
    bool continuous = false;
};

// The place the document at `path` was left at, or nothing when it was never left, or when the file changed
// since (another size or modification time): its pages may not be the ones the place was about.
std::optional<Place> remembered(const QString &path);

// Remembers `place` for the document at `path` as it is on disk now. False when it cannot be written.
bool remember(const QString &path, const Place &place);

} // namespace pdfplaces
