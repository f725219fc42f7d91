#pragma once

#include <QColor>
#include <QIcon>

#include <optional>

// The symbols of every window: the panel, the history, settings and document windows. Each comes from the desktop's
// icon theme under its freedesktop name; a theme without it (or no theme at all, as on a bare X server) gets the same
// symbol drawn here, so no button or row is ever left with an empty space.
namespace Glyphs {
enum class Symbol
{
    Camera,      // the screen-capture permission
    TextFinder,  // capture text: the application's own icon
    Document,    // OCR a document
    Batch,       // batch export to a workbook
    Table,       // a table capture, the output mode row
    TextLines,   // a plain-text capture
    Search,      // the history's search field
    Trash,       // "Clear All"
    History,     // the history window, its empty state
    Help,        // the guide
    Settings,    // the settings window
    Power,       // quit
    Pin,         // a pinned history entry
    Check,       // a selected language, the "Verified" section
    CheckCircle, // permission granted
    Warning,     // permission needed
    Folder,      // the document window: add files
    Clipboard,   // copy the text
    Save,        // export to a file
    Info,        // a note that no table was found
    DropTarget,  // a page inside a viewfinder: the document window's invitation to drop a scan
};

// Returns the theme's icon, or the drawn symbol in the palette's text colour when the theme has none.
QIcon icon(Symbol symbol);
// Returns the drawn symbol; without a colour it follows the application palette at each paint, so it suits both
// light and dark palettes.
QIcon drawn(Symbol symbol, std::optional<QColor> color = std::nullopt);
// The freedesktop icon name tried first, empty for the symbols drawn here.
const char* themeName(Symbol symbol);
} // namespace Glyphs
