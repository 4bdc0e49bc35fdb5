#pragma once

// The about box. For now an empty window with its caption; its picture, labels
// and button come with the help and about work.

#include "platform/forms/form.h"

namespace vornak {

inline constexpr const char* kAboutCaption = "About  Vornak";

class TAboutBox final : public forms::TForm {
 public:
  TAboutBox();
};

inline TAboutBox* AboutBox = nullptr;

}  // namespace vornak
