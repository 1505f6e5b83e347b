#pragma once

#include <QString>

#include "Printer.h"

namespace nightaudit {

// Prints on a CUPS queue: the desktop's default printer, looked up afresh at every print
// so that a printer installed while the program runs is found, or a queue named.
//
// The page goes to the queue as a PDF through libcups, not through the toolkit's print
// engine, which counts a job as printed whatever CUPS answered. A print is done only
// when the queue has accepted the job: a queue that rejects jobs, a stopped queue (the
// job would wait there unprinted; it is taken back) or a scheduler that is gone is an
// error, and nothing counts as printed.
class CupsPrinter : public Printer {
public:
    // An empty name: the default printer.
    explicit CupsPrinter(QString queue = {}) : m_queue(std::move(queue)) {}

    // Throws Error(err::PrintFailed, "Printing failed: ...") naming the queue and, for a
    // refusal, that the printer refused the job and the print system's reason.
    void print(QWidget& page) override;

    // The paper the queue prints on unless told otherwise; A4 when it names none.
    // Throws as print() does when there is no such queue.
    QPageSize paper() const;

private:
    QString m_queue;
};

}  // namespace nightaudit
