#pragma once

// The help window. For now an empty window with its caption; its two pages of
// instructions and printing come with the help and about work.

#include "platform/forms/form.h"

namespace vornak {

inline constexpr const char* kHelpCaption = "Help...Vornak";

class TFormHelp final : public forms::TForm {
 public:
  TFormHelp();
};

inline TFormHelp* FormHelp = nullptr;

}  // namespace vornak
