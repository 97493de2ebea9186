// The system printer as a Visual Basic program prints: text lines placed by a horizontal position
// in twips, a font size, and a document that starts with the first line and goes to the printer
// when it is ended.
//
// Documents go to the desktop's default printer, or to a PDF file when one is named (tests, and
// machines without a printer). Qt's print support is loaded when the first document starts; when
// it cannot be, Print fails and standard error says why. UI thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace ui {

class Printer {
  public:
    Printer();
    ~Printer();  // a document still open is ended and sent
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // The font size, in points, of the lines printed from now on.
    double fontSize() const { return m_fontSize; }
    void setFontSize(double points);
    // The left edge of the next line, in twips from the printable area's left edge.
    int currentX() const { return m_currentX; }
    void setCurrentX(int twips) { m_currentX = twips; }

    // Prints `text` as one line at CurrentX and moves to the next line, starting a document (and a
    // new page when the page is full) as needed. CurrentX goes back to 0. False when no printer
    // can take the document; the line is then lost.
    bool Print(std::string_view text);
    // Ends the document and sends it to the printer; nothing when no document is open.
    void EndDoc();
    // Drops the document without printing it.
    void KillDoc();

  private:
    struct Document;
    bool startDocument();

    double m_fontSize = 12;
    int m_currentX = 0;
    std::unique_ptr<Document> m_document;
};

// The program's one printer.
Printer& printer();

// Sends every document from now on to the PDF file `path` (replaced at each document) instead of
// the default printer; an empty path goes back to the default printer.
void setPrinterOutputFile(std::string path);

}  // namespace ui
