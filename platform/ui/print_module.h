// The table through which the printer reaches QPrinter. The printing module
// (libbelltale_ui_print.so, beside libbelltale_ui.so) holds everything that needs Qt's print
// support and is loaded when the first document starts, so a program that never prints never
// maps that library. Nothing but printer.cpp and the module includes this.
#pragma once

#include <cstddef>

extern "C" {

struct BelltalePrintDocument;

struct BelltalePrintFunctions {
    // Opens a document on the PDF file `pdfPath` (replaced), or on the default printer when it is
    // empty; null when no printer can take it.
    BelltalePrintDocument* (*open)(const char* pdfPath);
    // Prints `size` bytes of UTF-8 `text` as one line, its left edge `leftTwips` from the
    // printable area's, in a font of `points`; a full page is first followed by a new one.
    void (*printLine)(BelltalePrintDocument* document, const char* text, std::size_t size,
                      double points, int leftTwips);
    // Ends the document and sends it to the printer, or drops it; the document is gone either way.
    void (*end)(BelltalePrintDocument* document);
    void (*abort)(BelltalePrintDocument* document);
};

// The module's one entry point.
const BelltalePrintFunctions* belltale_print_functions();
}

inline constexpr const char* kBelltalePrintEntryPoint = "belltale_print_functions";
