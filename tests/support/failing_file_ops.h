#pragma once
// A FileOps that does the real thing but fails the n-th call of a chosen operation, so tests
// can see what a failed write, move or removal leaves behind (permissions stop nothing for
// root, who runs CI).

#include <cerrno>
#include <string>
#include <vector>

#include "engine/platform/file_ops.h"

namespace pixmill::testing {

class FailingFileOps : public FileOps {
  public:
    // WriteNewFile counts both writes; FlushFile counts each file flushFiles flushes.
    enum class Op { WriteNewFile, RenameReplacing, MoveNoReplace, RemoveFile, CopyFile, FlushFile };

    // Fails the `nth` call (counting from 1) of `op` with `error`; 0 never fails.
    void failAt(Op op, int nth, int error = EIO) {
        op_ = op;
        nth_ = nth;
        error_ = error;
    }
    int calls(Op op) const { return counts_[static_cast<int>(op)]; }
    const std::vector<std::string>& moves() const { return moves_; }

    Result<> writeNewFile(const std::string& path, std::span<const std::uint8_t> data,
                          const struct stat* attributes) override {
        if (shouldFail(Op::WriteNewFile))
            return systemError(error_);
        return FileOps::writeNewFile(path, data, attributes);
    }
    Result<> writeNewFileUnflushed(const std::string& path, std::span<const std::uint8_t> data,
                                   const struct stat* attributes) override {
        if (shouldFail(Op::WriteNewFile))
            return systemError(error_);
        return FileOps::writeNewFileUnflushed(path, data, attributes);
    }
    std::vector<Result<>> flushFiles(std::span<const std::string> paths) override {
        std::vector<Result<>> results = FileOps::flushFiles(paths);
        for (Result<>& result : results) {
            if (shouldFail(Op::FlushFile))
                result = systemError(error_);
        }
        return results;
    }
    Result<> renameReplacing(const std::string& from, const std::string& to) override {
        if (shouldFail(Op::RenameReplacing))
            return systemError(error_);
        return FileOps::renameReplacing(from, to);
    }
    Result<> moveNoReplace(const std::string& from, const std::string& to) override {
        if (shouldFail(Op::MoveNoReplace))
            return systemError(error_);
        Result<> result = FileOps::moveNoReplace(from, to);
        if (result)
            moves_.push_back(from + " -> " + to);
        return result;
    }
    Result<> removeFile(const std::string& path) override {
        if (shouldFail(Op::RemoveFile))
            return systemError(error_);
        return FileOps::removeFile(path);
    }
    Result<> copyFile(const std::string& from, const std::string& to, bool replace) override {
        if (shouldFail(Op::CopyFile))
            return systemError(error_);
        return FileOps::copyFile(from, to, replace);
    }

  private:
    bool shouldFail(Op op) {
        int count = ++counts_[static_cast<int>(op)];
        return op == op_ && nth_ > 0 && count == nth_;
    }

    Op op_ = Op::WriteNewFile;
    int nth_ = 0;
    int error_ = EIO;
    int counts_[6] = {};
    std::vector<std::string> moves_;
};

}  // namespace pixmill::testing
