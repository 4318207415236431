#pragma once

#include <QString>

#include <atomic>

// Packs one folder into a zip archive with libzip. No windows: the packing
// form runs it on a worker thread and watches a PackControl from the window
// thread.
namespace ZipPacker {

struct Request
{
    QString folder;
    QString archive;
    bool subfolders = true;
    QString password; // empty = no encryption, else AES-256
};

struct Result
{
    enum class Outcome
    {
        Written,   // the archive was written and replaces any older one
        Empty,     // nothing to pack: no archive is written, an older one stays
        Cancelled, // the user stopped it; an older archive stays
        Failed     // status and text say why; an older archive stays
    };
    Outcome outcome = Outcome::Failed;
    int status = 0; // libzip's error code, 0 when written
    QString text;   // libzip's text for the status, system error included
    int entries = 0;

    bool written() const { return outcome == Outcome::Written; }
};

// Shared between the window thread and the worker.
struct PackControl
{
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
};

// Blocks until the archive is complete, failed or was cancelled through
// control.cancel. libzip writes a temporary file beside the archive and
// renames it at the end, so an older archive of that name is replaced only
// by a complete new one.
Result pack(const Request &request, PackControl &control);

} // namespace ZipPacker
