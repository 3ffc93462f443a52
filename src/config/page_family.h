#pragma once
// The set-up pages stand on the page framework: its names are theirs.

#include "pages/confirmed_write.h"
#include "pages/controls.h"
#include "pages/entry_checks.h"
#include "pages/framed_page.h"

namespace config {
using namespace pages;
}
