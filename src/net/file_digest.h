// The SHA-256 of a file while another handle writes it: a thread of its own reads what has
// been written so far and hashes it, so that a download's verification costs no second pass
// over the package once the last byte has arrived.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class FileDigest {
 public:
  // Starts hashing `path` from its first byte (a resumed download's earlier part included).
  explicit FileDigest(const std::string& path);
  // Stops and waits for the thread; the digest is given up.
  ~FileDigest();
  FileDigest(const FileDigest&) = delete;
  FileDigest& operator=(const FileDigest&) = delete;

  // The file holds `bytes` bytes now, all of them written.
  void Advance(int64_t bytes);
  // Waits until the file's first `bytes` are hashed. False when it could not be read (the
  // caller then reads the file through itself).
  bool Finish(int64_t bytes, unsigned char (&digest)[32]);

 private:
  void Run();

  std::string path_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int64_t written_ = 0;
  int64_t wanted_ = -1;  // set by Finish
  bool stop_ = false;
  bool ended_ = false;
  bool ok_ = false;
  unsigned char digest_[32] = {};
  std::thread thread_;
};
