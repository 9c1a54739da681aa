#include "sys/identity.h"

#include <windows.h>

std::string GetCurrentAssignee() {
  char computer[16] = {};
  DWORD computer_size = sizeof(computer);
  if (!GetComputerNameA(computer, &computer_size)) computer[0] = '\0';
  char user[257] = {};
  DWORD user_size = sizeof(user);
  if (!GetUserNameA(user, &user_size)) user[0] = '\0';
  return std::string(computer) + "\\" + user;
}
