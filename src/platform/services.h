#pragma once
// The operating-system services a window receives at construction: what the
// system does, not what the user chose.
#include "platform/file_lookup.h"
#include "platform/internet.h"
#include "platform/program_starter.h"
#include "platform/rates_feed.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace platform {

struct Services {
  Internet* internet = nullptr;
  Shell* shell = nullptr;
  Registry* registry = nullptr;
  ProgramStarter* programs = nullptr;
  FileLookup* files = nullptr;
  RatesFeedReader* feeds = nullptr;
};

}  // namespace platform
