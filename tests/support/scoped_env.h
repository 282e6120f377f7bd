// An environment variable set for the lifetime of the object (or only
// remembered, when no value is given); the previous value, or its absence,
// is put back afterwards, so no test sees another test's locale.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace vsk::test {

class ScopedEnv {
 public:
  explicit ScopedEnv(const char* name, const char* value = nullptr) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace vsk::test
