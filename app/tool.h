// The tools a file or a launcher tile can open.
#pragma once

namespace brivo {

enum class Tool
{
    CodeEditor,
    Notepad,
    WebBrowser,
    PdfViewer,
    MediaPlayer,
    ImageViewer,
    Archive,
    GifViewer,
    Snapshot,
};

// How a tool window is opened beyond its file.
struct OpenOptions
{
    // The media player's small audio-only layout.
    bool audioOnly = false;
};

} // namespace brivo
