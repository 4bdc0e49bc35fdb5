#include "platform/forms/printer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <optional>

namespace vornak::forms {
namespace {

// Text on a painter that is open on a printer.
class QtCanvas final : public PrinterCanvas {
 public:
  QtCanvas(QPainter& painter, int pixelsPerInch) : painter_(painter), pixelsPerInch_(pixelsPerInch) {}

  int PixelsPerInch() const override { return pixelsPerInch_; }

  void SetFont(const QString& family, int pointSize) override {
    // Points to printer pixels, rounded to the nearest pixel.
    fontHeight_ = (pointSize * pixelsPerInch_ + 36) / 72;
    QFont font(family);
    font.setPixelSize(std::max(1, fontHeight_));
    painter_.setFont(font);
  }

  int FontHeight() const override { return fontHeight_; }

  void TextOut(int x, int y, const QString& text) override {
    // Qt places text by its baseline; the line's top lies one ascent above.
    painter_.drawText(x, y + painter_.fontMetrics().ascent(), text);
  }

 private:
  QPainter& painter_;
  int pixelsPerInch_;
  int fontHeight_ = 0;
};

class QtPrinter final : public Printer {
 public:
  // Without a path, jobs go to the default printer; with one, into that PDF file.
  QtPrinter(std::optional<QString> pdfPath, QPageSize pageSize)
      : pdfPath_(std::move(pdfPath)), pageSize_(std::move(pageSize)) {}

  Status BeginDoc() override {
    if (printer_ != nullptr) return Failure{kPrintJobNotStarted};
    std::unique_ptr<QPrinter> printer;
    if (pdfPath_) {
      printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(*pdfPath_);
      printer->setPageSize(pageSize_);
      printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    } else {
      const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
      if (defaultPrinter.isNull()) return Failure{kNoPrinter};
      printer = std::make_unique<QPrinter>(defaultPrinter, QPrinter::HighResolution);
      // Without a print system Qt falls back to writing a PDF file nobody
      // asked for; that is no printer.
      if (printer->outputFormat() != QPrinter::NativeFormat) return Failure{kNoPrinter};
    }
    printer->setDocName(QString());
    if (!painter_.begin(printer.get())) return Failure{kPrintJobNotStarted};
    printer_ = std::move(printer);
    canvas_.emplace(painter_, printer_->logicalDpiY());
    return Ok();
  }

  int PageHeight() const override { return printer_ != nullptr ? printer_->height() : 0; }

  PrinterCanvas& Canvas() override { return *canvas_; }

  Status EndDoc() override {
    if (printer_ == nullptr) return Failure{kPrintJobNotFinished};
    const bool ended = painter_.end();
    const bool failed = !ended || printer_->printerState() == QPrinter::Error;
    canvas_.reset();
    printer_.reset();
    if (failed) return Failure{kPrintJobNotFinished};
    return Ok();
  }

 private:
  std::optional<QString> pdfPath_;
  QPageSize pageSize_;
  std::unique_ptr<QPrinter> printer_;
  QPainter painter_;
  std::optional<QtCanvas> canvas_;
};

}  // namespace

Printer& SystemPrinter() {
  static QtPrinter printer(std::nullopt, QPageSize());
  return printer;
}

std::unique_ptr<Printer> PdfFilePrinter(const QString& path, const QPageSize& pageSize) {
  return std::make_unique<QtPrinter>(path, pageSize);
}

}  // namespace vornak::forms
