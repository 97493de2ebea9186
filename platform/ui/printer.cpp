#include "platform/ui/printer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace ui {
namespace {

constexpr int kTwipsPerInch = 1440;

std::string& outputFile() {
    static std::string path;
    return path;
}

}  // namespace

struct Printer::Document {
    QPrinter device{QPrinter::HighResolution};
    QPainter painter;
    int nextTop = 0;  // device pixels below the printable area's top edge
};

Printer::Printer() = default;

Printer::~Printer() {
    EndDoc();
}

void Printer::setFontSize(double points) {
    if (points > 0) {
        m_fontSize = points;
    }
}

bool Printer::startDocument() {
    auto document = std::make_unique<Document>();
    QPrinter& device = document->device;
    if (!outputFile().empty()) {
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(QString::fromStdString(outputFile()));
    } else {
        const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
        if (standard.isNull()) {
            return false;
        }
        device.setPrinterName(standard.printerName());
    }
    if (!document->painter.begin(&device)) {
        return false;
    }
    m_document = std::move(document);
    return true;
}

bool Printer::Print(std::string_view text) {
    if (!m_document && !startDocument()) {
        return false;
    }
    Document& document = *m_document;
    QFont font = document.painter.font();
    font.setPointSizeF(m_fontSize);
    document.painter.setFont(font);
    const QFontMetrics metrics = document.painter.fontMetrics();
    const int pageHeight =
        document.device.pageLayout().paintRectPixels(document.device.resolution()).height();
    if (document.nextTop > 0 && document.nextTop + metrics.height() > pageHeight) {
        document.device.newPage();
        document.nextTop = 0;
    }
    const int left = m_currentX * document.device.resolution() / kTwipsPerInch;
    document.painter.drawText(left, document.nextTop + metrics.ascent(),
                              QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    document.nextTop += metrics.lineSpacing();
    m_currentX = 0;
    return true;
}

void Printer::EndDoc() {
    if (m_document) {
        m_document->painter.end();
        m_document.reset();
    }
}

void Printer::KillDoc() {
    if (m_document) {
        m_document->device.abort();
        m_document->painter.end();
        m_document.reset();
    }
}

Printer& printer() {
    static Printer instance;
    return instance;
}

void setPrinterOutputFile(std::string path) {
    outputFile() = std::move(path);
}

}  // namespace ui
