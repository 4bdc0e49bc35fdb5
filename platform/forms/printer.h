#pragma once

// The printer: one job at a time on the system's default printer, a page
// height, and a drawing surface that writes text with a font at the printer's
// resolution. Windows print through this interface only, so that tests can
// record what is drawn where.

#include <QPageSize>
#include <QString>
#include <memory>

#include "platform/status.h"

namespace vornak::forms {

// What the printer reports when a job cannot be had.
inline constexpr const char* kNoPrinter =
    "There is no printer to print on. Set up a default printer and try again.";
inline constexpr const char* kPrintJobNotStarted = "The printer could not start the print job. Nothing was printed.";
inline constexpr const char* kPrintJobNotFinished =
    "The print job could not be finished. The printout may be missing or incomplete.";

// The drawing surface of a print job. Positions are in printer pixels from the
// top-left corner of the printable area.
class PrinterCanvas {
 public:
  virtual ~PrinterCanvas() = default;
  // The resolution of the printer's fonts in pixels per inch: the printer's
  // vertical resolution.
  virtual int PixelsPerInch() const = 0;
  // Takes the typeface at `pointSize`, scaled to the printer's resolution.
  virtual void SetFont(const QString& family, int pointSize) = 0;
  // The character height of the current font in printer pixels (its em,
  // without the leading above it).
  virtual int FontHeight() const = 0;
  // Writes `text` with the top-left corner of its line at (x, y). Text beyond
  // the printable area is cut off by the printer.
  virtual void TextOut(int x, int y, const QString& text) = 0;
};

// A printer takes one job at a time. Between a BeginDoc that succeeded and
// the EndDoc that follows, the page height and the canvas are those of the
// job; everything is printed on one page.
class Printer {
 public:
  virtual ~Printer() = default;
  // Starts a job, without a print dialog and without a document name. On a
  // failure no job is open and the message says why.
  virtual Status BeginDoc() = 0;
  // The height of the printable area in printer pixels.
  virtual int PageHeight() const = 0;
  virtual PrinterCanvas& Canvas() = 0;
  // Ends the job and hands it to the printer; a failure means the printout
  // may be lost.
  virtual Status EndDoc() = 0;
};

// The system's default printer, through Qt's printing support.
Printer& SystemPrinter();

// Prints into a PDF file of the given page size instead; the whole page is
// printable. The same drawing as on the default printer, for a printout that
// can be read back.
std::unique_ptr<Printer> PdfFilePrinter(const QString& path, const QPageSize& pageSize);

}  // namespace vornak::forms
