#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class QProcess;

namespace torvanel::test {

// A print scheduler of the test's own: cupsd on a socket in a temporary folder, with print queues
// that keep every job they receive as a PDF file of its own, so a test prints through the real
// print service and reads back what a printer would have been sent.
//
// The print service's clients (Qt's print support, lpadmin, lpstat) find the scheduler through
// CUPS_SERVER, which the client library reads once: call prepare() in main(), before the
// application object exists. Every scheduler of the process then listens on that socket; with
// none running, the system has no print queues.
class PrivateCups {
 public:
  // Points CUPS_SERVER at this process's socket.
  static void prepare();

  // Starts the scheduler. When it cannot start, available() is false and unavailableReason()
  // says why; the test should skip.
  PrivateCups();
  // Stops the scheduler and removes its folder.
  ~PrivateCups();

  bool available() const { return running_; }
  QString unavailableReason() const { return reason_; }

  // Adds a queue `name` whose jobs become files in a folder of their own; the default queue when
  // `isDefault`. A queue not `accepting` refuses every job, as one its administrator closed.
  // False (and a test failure) when the scheduler refuses.
  bool addQueue(const QString& name, bool isDefault = false, bool accepting = true);

  // Waits until the scheduler has no job pending and `name` has received `count` jobs, at most
  // `seconds`; returns the job files of `name` in the order the jobs came (fewer on a timeout).
  QStringList waitForJobs(const QString& name, int count, int seconds = 30) const;
  // The job files `name` has received so far, in the order the jobs came.
  QStringList jobFiles(const QString& name) const;
  // What the page log says of every job, one line a job ("QUEUE USER ID [...] total N ...").
  QStringList pageLog() const;

 private:
  bool start();
  QString outputFolder(const QString& queue) const;

  QTemporaryDir dir_;
  std::unique_ptr<QProcess> cupsd_;
  bool running_ = false;
  QString reason_;
};

}  // namespace torvanel::test
