#pragma once
// An export of one or more recordings, as the window's Export dialog and the
// cuelark-export command run it. Long ones report progress and can be
// cancelled; the window runs run() on a worker thread.
//
// Nothing half-written: every file is first written under a temporary name
// beside its final one (".NAME.part-…"), and only when all of them are
// complete are they renamed to their final names. A failed or cancelled
// export removes its temporary files and leaves every final name as it was.
// (Should a rename itself fail at the very end, the files renamed before it
// stay, whole, and the report lists them.)
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "study/export/ExportOptions.h"
#include "study/export/ExportSource.h"

namespace study {

struct ExportProgress {
    int done = 0;       // steps finished
    int total = 0;      // steps in all (a clip, a row of the condensed audio, a subtitle file)
    std::string doing;  // "news: clip 12 of 40"
};

struct ExportReport {
    // Failure in the user's words ("Cannot write into the folder 'x': Permission
    // denied"), or "The export was cancelled; nothing was written."
    platform::Status status;
    bool cancelled = false;
    std::vector<std::string> written;  // final paths now in place, in the order written
    // What was left out and why: "news: row 45 lies past the end of the
    // sound; it has no clip."
    std::vector<std::string> notes;
};

class ExportJob {
  public:
    using ProgressFn = std::function<void(const ExportProgress&)>;

    ExportJob(std::vector<ExportSource> sources, ExportOptions options);

    // Everything that can be known before writing, in the user's words:
    // nothing chosen to write, no rows to export, an output folder that is
    // missing or cannot be written into, no sound where clips or condensed
    // audio need it, an unknown condensed-audio extension, an output that would
    // replace the recording's own files or another output. Cheap: reads only
    // the WAVs' headers, creates nothing lasting (a probe file is made and
    // removed in each output folder).
    platform::Status check() const;

    // Runs check(), then the whole export on the calling thread. progress,
    // if set, is called on that thread after every step.
    ExportReport run(const ProgressFn& progress = {});

    // From any thread: run() stops at its next step (within one clip),
    // removes what it wrote and reports cancelled.
    void cancel() { cancelled_.store(true); }

    const std::vector<ExportSource>& sources() const { return sources_; }
    const ExportOptions& options() const { return options_; }

  private:
    std::vector<ExportSource> sources_;
    ExportOptions options_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace study
