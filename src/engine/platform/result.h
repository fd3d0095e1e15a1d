#pragma once
// The engine's one error model: a call either succeeds or reports an error code with a
// message and a severity. A failure inside one batch item is reported and the batch goes on.

#include <string>
#include <utility>

namespace pixmill {

enum class Severity { Warning, Error };

class Result {
public:
    Result() = default;  // success
    static Result ok() { return Result(); }
    static Result error(int code, std::string message, Severity severity = Severity::Error) {
        Result r;
        r.code_ = code == 0 ? -1 : code;
        r.message_ = std::move(message);
        r.severity_ = severity;
        return r;
    }

    bool isOk() const { return code_ == 0; }
    explicit operator bool() const { return isOk(); }
    int code() const { return code_; }
    const std::string& message() const { return message_; }
    Severity severity() const { return severity_; }

private:
    int code_ = 0;
    std::string message_;
    Severity severity_ = Severity::Error;
};

}  // namespace pixmill
