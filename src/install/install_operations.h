#pragma once

// What the page's install functions do, ready for the bridge to wire up: one object per render
// process (a member of SimpleApp), called on the page's script thread. Every operation returns at
// once; the unpacking itself runs on the job's worker thread.

#include <cstdint>
#include <string>

#include "install/unpack_job.h"
#include "install/unpack_request.h"

namespace varnet {

class InstallOperations {
 public:
  // cb_unzip: stops a worker that still runs (as stopUnzip does), then starts the job. Returns 1.
  int32_t unzip(UnpackRequest request);

  // cb_getunzipprogress: 0..100 while unpacking, 100 once the job is complete, -100 on failure.
  int32_t unzipProgress() const;

  // cb_stopunzip: the worker changes nothing more (no file, no job field, no deletion, no
  // shortcut) from the moment this returns; no worker: nothing happens.
  void stopUnzip();

  // cb_getsetuppath: the root the page passed, then the install folder once it exists.
  std::u16string setupPath() const;

  // cb_unsetup: deletes the install folder and the desktop shortcut, forgets the job's texts.
  // Returns 0. `third` and `fourth` are not read.
  int32_t unsetup(const std::u16string& installFolder,
                  const std::u16string& shortcutName,
                  const std::u16string& third,
                  const std::u16string& fourth);

  // cb_deletepath: deletes the folder tree.
  void deletePath(const std::u16string& path);

  // cb_rungame: asks the shell to open `path` with the program's own folder (the path made
  // absolute against the current directory, last component cut off) as working folder.
  void runGame(const std::u16string& path);

  UnpackJob& job() { return job_; }

 private:
  UnpackJob job_;
};

// cb_selectsavepath's form of a chosen folder: every "\" replaced by "/".
std::u16string withForwardSlashes(std::u16string path);

}  // namespace varnet
