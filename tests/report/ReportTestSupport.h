#pragma once

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "core/Error.h"
#include "report/Printer.h"
#include "report/dlgPrint.h"

namespace nightaudit::test {

// What one print put on the page.
struct PrintedPage {
    bool totalsShown = false;
    QString text;
    QStringList amounts;  // lblAX, lblMC, lblVisa, lblDiners, lblTotal
    QString dateStamp;
};

// Records every page it is asked to print; fails instead when told to.
class RecordingPrinter : public Printer {
public:
    void print(QWidget& page) override {
        if (failWith) throw Error(err::PrintFailed, failWith);
        auto& form = dynamic_cast<dlgPrint&>(page);
        pages->push_back({!form.frmCC->isHidden(),
                          form.lblText->text(),
                          {form.lblAX->text(), form.lblMC->text(), form.lblVisa->text(),
                           form.lblDiners->text(), form.lblTotal->text()},
                          form.lblDateStamp->text()});
    }

    // Shared so that a test keeps it after handing the printer over.
    std::shared_ptr<std::vector<PrintedPage>> pages = std::make_shared<std::vector<PrintedPage>>();
    const char* failWith = nullptr;
};

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

// The text of a PDF as pdftotext reads it, or an empty text with the reason logged.
inline QString pdfText(const QString& pdfPath) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
    if (!process.waitForFinished(15000) || process.exitCode() != 0) {
        qWarning("pdftotext %s failed: %s", qPrintable(pdfPath),
                 process.readAllStandardError().constData());
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline int errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.number();
    }
    return 0;
}

}  // namespace nightaudit::test
