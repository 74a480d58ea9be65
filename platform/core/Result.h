#pragma once
// What can fail returns one of these: either a value or a message that names
// what failed and the system's reason ("Cannot open '/x/a.txt': Permission denied").
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Error {
    std::string message;
};

class Status {
public:
    Status() = default;  // success
    Status(Error e) : error_(std::move(e.message)) {}
    static Status ok() { return {}; }
    bool isOk() const { return !error_.has_value(); }
    explicit operator bool() const { return isOk(); }
    const std::string& message() const {
        static const std::string none;
        return error_ ? *error_ : none;
    }

private:
    std::optional<std::string> error_;
};

template <class T>
class Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error e) : v_(std::move(e)) {}
    bool isOk() const { return v_.index() == 0; }
    explicit operator bool() const { return isOk(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    const std::string& message() const { return std::get<1>(v_).message; }

private:
    std::variant<T, Error> v_;
};

// "<what> '<path>': <strerror(errno)>"
std::string describeErrno(const std::string& what, const std::string& path, int err);

}  // namespace platform
