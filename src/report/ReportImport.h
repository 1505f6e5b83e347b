#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "NoShowList.h"
#include "Printer.h"
#include "playback/Reports.h"

namespace nightaudit {

class WindowFields;
class PrintPage;

// The report import as the player reaches it: the card totals sheet, the print text page
// and the no-show list. Owns the print page (built on first use, kept to the end, so its
// date stamp is set once per run of the program), the printer and the no-show list.
// A relative file name is taken in the report folder, the program's own where the store
// is, not in whatever folder the program was started from; errors name the full path.
class ReportImport : public Reports {
public:
    using TextSetter = std::function<void(const QString&)>;

    // `setSpecial6` receives each no-show entry shown; `folder` is the report folder.
    ReportImport(std::unique_ptr<Printer> printer, TextSetter setSpecial6, QString folder);
    // Shows no-show entries in the window's field "special6"; `window` must outlive this.
    ReportImport(std::unique_ptr<Printer> printer, WindowFields& window, QString folder);
    ~ReportImport() override;

    // lblText := text, frmCC hidden, the page printed. Throws what the printer throws.
    void printText(const QString& text) override;

    // Reads the audit report, sets the five amounts, shows frmCC, prints, and
    // deletes the report. A missing, unreadable or malformed report throws before any
    // of that (nothing printed, the file kept); a failed print throws with the amounts
    // set and the file kept; a failed delete throws after the print, the file staying.
    void parseReport(const QString& fileName) override;

    // Marks every entry "0", reads the no-show report into the list, deletes it, and
    // restarts the list at entry 1. On any failure the index keeps
    // its value and the file stays; entries read before the failure stay stored.
    void loadNoShowList(const QString& fileName) override;

    // Puts the next entry into special6. Throws Error(err::SubscriptOutOfRange) at
    // index 501, changing nothing.
    void showNextNoShow() override;

    // The full path a report name stands for.
    QString reportPath(const QString& fileName) const;

    // The print page, built now if this is its first use.
    PrintPage& printPage();
    const NoShowList& noShowList() const { return m_noShows; }

private:
    std::unique_ptr<Printer> m_printer;
    TextSetter m_setSpecial6;
    QString m_folder;
    std::unique_ptr<PrintPage> m_page;
    NoShowList m_noShows;
};

}  // namespace nightaudit
