#pragma once
// The batch over the plate ("Go!"): set-up with the summary header and the
// special-settings blocks, one well per step through the same entry as a
// click, and the end with the result part and the workbook. The desktop
// program paces the steps with its timer; the command line runs them
// straight through, on several threads if asked.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vembrel {

class Workspace;

/// A queued well whose analysis failed; its results are left blank.
struct BatchFailure {
  int well = 0;
  std::string message;  // names the well
};

class BatchRun {
 public:
  explicit BatchRun(Workspace& workspace);

  /// Also write the workbook at the end (on by default).
  void setWriteWorkbook(bool write) { writeWorkbook_ = write; }
  /// Called after every analysed well with (wells done, wells queued); from
  /// the worker threads in a parallel run, never two calls at once.
  void setProgress(std::function<void(int done, int total)> progress) {
    progress_ = std::move(progress);
  }

  /// "Go!": summary header, special-settings blocks, closes every well window,
  /// queues the included wells. A set-up that queues nothing finishes the
  /// batch at once. Throws Error (naming the path) when the summary file
  /// cannot be written; the batch is then not running.
  void start();
  /// One timer tick: analyses the next queued well, or ends the batch when
  /// the queue is empty. Returns whether the batch still runs.
  bool step();
  bool finished() const { return finished_; }
  /// start() (unless done already) and every remaining step; jobs > 1
  /// analyses the queued wells on that many threads.
  void runToEnd(int jobs = 1);

  const std::deque<int>& queue() const { return queue_; }
  int wellsQueued() const { return queued_; }
  int wellsAnalysed() const { return analysed_; }
  const std::vector<BatchFailure>& failures() const { return failures_; }
  const std::string& summaryFile() const { return summaryFile_; }
  /// "" without a workbook (not asked for, or not written).
  const std::string& workbookFile() const { return workbookFile_; }
  /// Why the workbook could not be written ("" when it was or was not asked for).
  const std::string& workbookError() const { return workbookError_; }

 private:
  /// Opens, analyses and closes one queued well; the failure message, if any.
  static std::optional<std::string> AnalyseQueuedWell(Workspace& workspace, int well);
  void runInParallel(int jobs);
  void finish();
  void reportProgress();

  Workspace& workspace_;
  std::deque<int> queue_;
  std::vector<BatchFailure> failures_;
  std::function<void(int, int)> progress_;
  std::string summaryFile_;
  std::string workbookFile_;
  std::string workbookError_;
  bool writeWorkbook_ = true;
  bool started_ = false;
  bool finished_ = false;
  int queued_ = 0;
  int analysed_ = 0;
};

}  // namespace vembrel
