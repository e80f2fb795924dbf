// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "person/dialogs.h"

namespace velmora {

class IoError;

// The ways an action that the window or the command line started can end.
struct Done {};
// The person said No, or left a file choice: nothing written, nothing to add.
struct Declined {};
// The program declines: one error box, and an optional log line after it.
struct Refused {
    std::string caption;
    std::string text;
    std::string logAfter;
};
// A file operation failed: the "I/O error" box with text, which names the
// file, the offset where one applies, and the system's cause.
struct IoFailure {
    std::string text;
};
// The person stopped the action: nothing was written.
struct Cancelled {};
// A finished replacement did not prove sound: nothing was written.
struct VerificationFailed {
    std::string check;
    std::string text;
};

class [[nodiscard]] Outcome {
  public:
    using Value = std::variant<Done, Declined, Refused, IoFailure, Cancelled, VerificationFailed>;

    Outcome() = default;  // done
    // Every ending is an outcome. Built in place: moving a whole variant makes
    // GCC 12 under the sanitizers warn of strings it takes for uninitialised.
    template <typename Ending>
    requires std::is_constructible_v<Value, Ending&&> Outcome(
        Ending&& ending)  // NOLINT: implicit, like the variant it holds
        : value_(std::in_place_type<std::decay_t<Ending>>, std::forward<Ending>(ending)) {}

    static Outcome done() { return {}; }
    static Outcome declined() { return Outcome(Declined{}); }
    static Outcome refused(std::string caption, std::string text, std::string logAfter = {}) {
        return Outcome(Refused{std::move(caption), std::move(text), std::move(logAfter)});
    }
    static Outcome ioFailure(const IoError& error);
    static Outcome cancelled() { return Outcome(Cancelled{}); }
    static Outcome verificationFailed(std::string check, std::string text) {
        return Outcome(VerificationFailed{std::move(check), std::move(text)});
    }

    [[nodiscard]] bool isDone() const { return is<Done>(); }
    template <typename T>
    [[nodiscard]] bool is() const {
        return std::holds_alternative<T>(value_);
    }
    template <typename T>
    [[nodiscard]] const T& get() const {
        return std::get<T>(value_);
    }
    [[nodiscard]] const Value& value() const { return value_; }

  private:
    Value value_;
};

// A step's value, or the outcome that ended the action before the value was made.
template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}          // NOLINT: a value is a result
    Result(Outcome ending) : value_(std::move(ending)) {}  // NOLINT: so is an ending

    [[nodiscard]] bool ok() const { return std::holds_alternative<T>(value_); }
    [[nodiscard]] const T& operator*() const { return std::get<T>(value_); }
    [[nodiscard]] T& operator*() { return std::get<T>(value_); }
    [[nodiscard]] const T* operator->() const { return &std::get<T>(value_); }
    // How the action ended; only for a result that holds no value.
    [[nodiscard]] const Outcome& outcome() const { return std::get<Outcome>(value_); }

  private:
    std::variant<T, Outcome> value_;
};

// Runs an action of the core and turns a failed file operation into its
// IoFailure: the one place where the core's exceptions end.
[[nodiscard]] Outcome guardIo(const std::function<Outcome()>& action);

// Tells the person how an action ended: the error box and the log lines that
// go with it. Done and Declined say nothing.
void tellPerson(const Outcome& outcome, Dialogs& ui);

inline constexpr const char* kErrorCaption = "ERROR!";
inline constexpr const char* kCancelledLog = "Cancelled.";

}  // namespace velmora
