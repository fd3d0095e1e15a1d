#pragma once
// The engine's one error model. A call that can fail returns a Result: either its value (or
// plain success for Result<>) or an Error, which is a code, a message and a severity. A failure
// inside one batch item becomes that item's outcome and the batch goes on; what the user reads
// is written from the Error at the edge (status line, results window, CLI), not where it arose.
//
//     Result<std::vector<std::uint8_t>> bytes = readFileBytes(path);
//     if (!bytes) return bytes.error();          // pass it up unchanged
//     use(*bytes);
//
// Plain C++ over std:: only, so the byte layers below the engine can speak it too.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace pixmill {

enum class Severity { Warning, Error };

struct Error {
    int code = -1;  // never 0; an errno where the failure came from the system
    std::string message;
    Severity severity = Severity::Error;
};

// Makes an Error; a code of 0 (a caller's slip) still reads as a failure.
inline Error makeError(int code, std::string message, Severity severity = Severity::Error) {
    return Error{code == 0 ? -1 : code, std::move(message), severity};
}
// An Error whose message is all there is to say (code -1).
inline Error makeError(std::string message, Severity severity = Severity::Error) {
    return Error{-1, std::move(message), severity};
}

template <typename T = void>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool isOk() const { return state_.index() == 0; }
    explicit operator bool() const { return isOk(); }

    T& value() & {
        assert(isOk());
        return std::get<0>(state_);
    }
    const T& value() const& {
        assert(isOk());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(isOk());
        return std::get<0>(std::move(state_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const {
        assert(!isOk());
        return std::get<1>(state_);
    }
    int code() const { return isOk() ? 0 : error().code; }
    const std::string& message() const {
        static const std::string none;
        return isOk() ? none : error().message;
    }
    Severity severity() const { return isOk() ? Severity::Error : error().severity; }

  private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;  // success
    Result(Error error) : error_(std::move(error)), failed_(true) {}

    static Result ok() { return Result(); }
    static Result error(int code, std::string message, Severity severity = Severity::Error) {
        return Result(makeError(code, std::move(message), severity));
    }

    bool isOk() const { return !failed_; }
    explicit operator bool() const { return isOk(); }
    const Error& error() const {
        assert(failed_);
        return error_;
    }
    int code() const { return failed_ ? error_.code : 0; }
    const std::string& message() const { return error_.message; }
    Severity severity() const { return error_.severity; }

  private:
    Error error_;
    bool failed_ = false;
};

}  // namespace pixmill
