// The survey object: fixed platform names, usable disks, earlier installations and the
// installation chosen in the wizard.
#pragma once
#include <string>

class CSetting {
 public:
  // 1 = office installation, 2 = silent installation of a peripheral unit ("/UP").
  int install_kind = 1;
};
