#pragma once

#include <QString>
#include <utility>

#include "report/Printer.h"

namespace nightaudit {

// Prints into a PDF file instead of a printer, so a test can read the page back.
// Each print overwrites the file.
class PdfFilePrinter : public Printer {
public:
    explicit PdfFilePrinter(QString fileName) : m_fileName(std::move(fileName)) {}

    void print(QWidget& page) override;

    const QString& fileName() const { return m_fileName; }
    int pagesPrinted() const { return m_pagesPrinted; }

private:
    QString m_fileName;
    int m_pagesPrinted = 0;
};

}  // namespace nightaudit
