// The printing module: the one piece of the ui layer that needs Qt's print support.
#include "platform/ui/print_module.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

struct BelltalePrintDocument {
    QPrinter device{QPrinter::HighResolution};
    QPainter painter;
    int nextTop = 0;  // device pixels below the printable area's top edge
};

namespace {

constexpr int kTwipsPerInch = 1440;

BelltalePrintDocument* openDocument(const char* pdfPath) {
    auto document = std::make_unique<BelltalePrintDocument>();
    QPrinter& device = document->device;
    if (pdfPath && *pdfPath) {
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(QString::fromUtf8(pdfPath));
    } else {
        const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
        if (standard.isNull()) {
            return nullptr;
        }
        device.setPrinterName(standard.printerName());
    }
    if (!document->painter.begin(&device)) {
        return nullptr;
    }
    return document.release();
}

void printLine(BelltalePrintDocument* document, const char* text, std::size_t size, double points,
               int leftTwips) {
    QPainter& painter = document->painter;
    QPrinter& device = document->device;
    QFont font = painter.font();
    font.setPointSizeF(points);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const int pageHeight = device.pageLayout().paintRectPixels(device.resolution()).height();
    if (document->nextTop > 0 && document->nextTop + metrics.height() > pageHeight) {
        device.newPage();
        document->nextTop = 0;
    }
    const int left = leftTwips * device.resolution() / kTwipsPerInch;
    painter.drawText(left, document->nextTop + metrics.ascent(),
                     QString::fromUtf8(text, static_cast<qsizetype>(size)));
    document->nextTop += metrics.lineSpacing();
}

void endDocument(BelltalePrintDocument* document) {
    document->painter.end();
    delete document;
}

void abortDocument(BelltalePrintDocument* document) {
    document->device.abort();
    document->painter.end();
    delete document;
}

constexpr BelltalePrintFunctions kFunctions{openDocument, printLine, endDocument, abortDocument};

}  // namespace

extern "C" __attribute__((visibility("default"))) const BelltalePrintFunctions*
belltale_print_functions() {
    return &kFunctions;
}
