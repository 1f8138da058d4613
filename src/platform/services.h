#pragma once
// The operating-system services a window receives at construction.
#include "platform/internet.h"
#include "platform/program.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "runtime/number.h"

namespace platform {

struct Services {
  Internet* internet = nullptr;
  Shell* shell = nullptr;
  Registry* registry = nullptr;
  ProgramStarter* programs = nullptr;
  FileLookup* files = nullptr;
  rt::NumberLocale locale{};
  std::u16string ratesUrl;  // the address of the rates page
};

}  // namespace platform
