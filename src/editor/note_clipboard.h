#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

class CNotebook;

// The editor's cut, copy and paste: the clipboard carries an excerpt in
// the private format (drawings as their storage links) and as plain
// markdown for other programs (drawings as PNG links); pasting prefers an
// image, then the private format, then text.

// Copies the selection (or the range between the insertion point and a
// mark named "anchor"); deletes it afterwards when asked. The drawings'
// PNGs are painted for `window` (the editor's text window) when asked for.
void CopySelectionToClipboard(GtkTextBuffer* buffer, GtkClipboard* clipboard, bool deleteAfterwards,
                              bool interactive, bool defaultEditable, GdkWindow* window = nullptr);
// Pastes into the view at the insertion point, replacing the selection.
void PasteClipboard(GtkTextView* view);

// Writes the image as ".images/<digest>.png" beside the open note and
// returns the markdown to insert; "" (and nothing written) with no note open.
std::string StorePastedImage(CNotebook& notebook, GdkPixbuf* image);
// The file name an image is stored under: 16 hex digits of the SHA-1 of
// its pixels, then ".png".
std::string PastedImageName(GdkPixbuf* image);

// Lets files dropped from a file manager in: see DroppedFilesText.
void InstallFileDrops(GtkTextView* view);
// What a drop of files from a file manager inserts: images as pasted
// images, ".md" files as links relative to the open note; other files
// insert nothing.
std::string DroppedFilesText(CNotebook& notebook, const std::vector<std::string>& uris);
// The path of `file` relative to `directory` (both absolute).
std::string RelativePath(const std::string& directory, const std::string& file);
