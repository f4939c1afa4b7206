#pragma once

#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

// An environment variable set for the life of the object (the time zone
// taken up again on both ends, for when it is TZ).
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
        tzset();
    }
    ~ScopedEnv() {
        old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_);
        tzset();
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};
