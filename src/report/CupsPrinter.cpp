#include "CupsPrinter.h"

#include <cups/cups.h>
#include <dlfcn.h>

#include <QFile>
#include <QPageSize>
#include <QSizeF>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "core/Error.h"

namespace nightaudit {

namespace {

[[noreturn]] void fail(const std::string& why) {
    throw Error(err::PrintFailed, "Printing failed: " + why);
}

// libcups and what it pulls in (TLS, Kerberos, D-Bus: about twenty libraries, 4 MiB
// resident) are loaded on the first print, not at start-up: most nights print once.
struct Cups {
    decltype(&cupsGetNamedDest) getNamedDest;
    decltype(&cupsFreeDests) freeDests;
    decltype(&cupsGetOption) getOption;
    decltype(&cupsPrintFile) printFile;
    decltype(&cupsCancelJob) cancelJob;
    decltype(&cupsLastError) lastError;
    decltype(&cupsLastErrorString) lastErrorString;
    decltype(&cupsCopyDestInfo) copyDestInfo;
    decltype(&cupsFindDestDefault) findDestDefault;
    decltype(&cupsFreeDestInfo) freeDestInfo;
    decltype(&ippGetCollection) getCollection;
    decltype(&ippFindAttribute) findAttribute;
    decltype(&ippGetInteger) getInteger;
};

template <class F>
void resolve(void* library, F& function, const char* name) {
    function = reinterpret_cast<F>(dlsym(library, name));
    if (!function) fail(std::string("the print system's library has no ") + name);
}

const Cups& cups() {
    static Cups loaded{};
    static bool ready = false;
    if (ready) return loaded;
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        fail(std::string("the print system's library libcups.so.2 could not be loaded (") +
             (why ? why : "no reason given") + ")");
    }
    resolve(library, loaded.getNamedDest, "cupsGetNamedDest");
    resolve(library, loaded.freeDests, "cupsFreeDests");
    resolve(library, loaded.getOption, "cupsGetOption");
    resolve(library, loaded.printFile, "cupsPrintFile");
    resolve(library, loaded.cancelJob, "cupsCancelJob");
    resolve(library, loaded.lastError, "cupsLastError");
    resolve(library, loaded.lastErrorString, "cupsLastErrorString");
    resolve(library, loaded.copyDestInfo, "cupsCopyDestInfo");
    resolve(library, loaded.findDestDefault, "cupsFindDestDefault");
    resolve(library, loaded.freeDestInfo, "cupsFreeDestInfo");
    resolve(library, loaded.getCollection, "ippGetCollection");
    resolve(library, loaded.findAttribute, "ippFindAttribute");
    resolve(library, loaded.getInteger, "ippGetInteger");
    ready = true;
    return loaded;
}

struct DestFree {
    void operator()(cups_dest_t* dest) const { cups().freeDests(1, dest); }
};
using Dest = std::unique_ptr<cups_dest_t, DestFree>;

std::string lastCupsError() {
    const char* text = cups().lastErrorString();
    return text && *text ? text : "no reason given";
}

// The queue with its state as the scheduler tells it now.
Dest lookUp(const QString& queue) {
    const QByteArray name = queue.toLocal8Bit();
    Dest dest(cups().getNamedDest(CUPS_HTTP_DEFAULT, queue.isEmpty() ? nullptr : name.constData(),
                                  nullptr));
    if (!dest && queue.isEmpty()) fail("No default printer is installed");
    if (!dest) fail("there is no printer " + name.toStdString() + " (" + lastCupsError() + ")");
    return dest;
}

std::string option(const cups_dest_t& dest, const char* name) {
    const char* value = cups().getOption(name, dest.num_options, dest.options);
    return value ? value : "";
}

// Why the queue would not print a job now, or an empty text when it would.
std::string refusal(const cups_dest_t& dest) {
    if (option(dest, "printer-is-accepting-jobs") == "false") return "it is not accepting jobs";
    if (option(dest, "printer-state") == std::to_string(IPP_PSTATE_STOPPED)) return "it is stopped";
    return {};
}

// The queue's default paper, as its driver or the printer itself says; A4 when it says
// nothing usable. The media size collection is read, not the media name: a queue set to a
// size by its driver's option may have no name for it.
QPageSize paperOf(cups_dest_t& dest) {
    int width = 0, length = 0;
    if (cups_dinfo_t* info = cups().copyDestInfo(CUPS_HTTP_DEFAULT, &dest)) {
        const auto member = [](ipp_t* collection, const char* name, ipp_tag_t tag) {
            return collection ? cups().findAttribute(collection, name, tag) : nullptr;
        };
        ipp_attribute_t* media =
            cups().findDestDefault(CUPS_HTTP_DEFAULT, &dest, info, "media-col");
        ipp_attribute_t* size = member(media ? cups().getCollection(media, 0) : nullptr,
                                       "media-size", IPP_TAG_BEGIN_COLLECTION);
        ipp_t* dimensions = size ? cups().getCollection(size, 0) : nullptr;
        if (ipp_attribute_t* x = member(dimensions, "x-dimension", IPP_TAG_INTEGER))
            width = cups().getInteger(x, 0);
        if (ipp_attribute_t* y = member(dimensions, "y-dimension", IPP_TAG_INTEGER))
            length = cups().getInteger(y, 0);
        cups().freeDestInfo(info);
    }
    if (width <= 0 || length <= 0) return QPageSize(QPageSize::A4);
    // Hundredths of a millimetre; a size close to a standard one is that one.
    return QPageSize(QSizeF(width / 100.0, length / 100.0), QPageSize::Millimeter);
}

[[noreturn]] void refused(const cups_dest_t& dest, const std::string& why) {
    fail("the printer " + std::string(dest.name) + " refused the job: " + why);
}

}  // namespace

QPageSize CupsPrinter::paper() const {
    return paperOf(*lookUp(m_queue));
}

void CupsPrinter::print(QWidget& page) {
    const Dest dest = lookUp(m_queue);
    if (const std::string why = refusal(*dest); !why.empty()) refused(*dest, why);

    QTemporaryDir folder;
    if (!folder.isValid())
        fail("no temporary folder for the page (" + folder.errorString().toStdString() + ")");
    const QString pdf = folder.filePath(QStringLiteral("page.pdf"));
    renderPdf(page, pdf, paperOf(*dest));

    const int job =
        cups().printFile(dest->name, QFile::encodeName(pdf).constData(), "Night audit", 0, nullptr);
    if (job == 0 || cups().lastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        refused(*dest, lastCupsError());
    // A queue stopped after the first look-up holds the job without printing it.
    const Dest now = lookUp(QString::fromLocal8Bit(dest->name));
    if (const std::string why = refusal(*now); !why.empty()) {
        cups().cancelJob(dest->name, job);
        refused(*dest, why);
    }
}

}  // namespace nightaudit
