#include "survey/office_code_readers.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "survey/office_code.h"

namespace {

struct FileCloser {
  void operator()(FILE* file) const {
    if (file) std::fclose(file);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

bool ReadOfficeFromOlinf(const std::string& path, InstallRecord& record) {
  char value[20] = {};
  GetPrivateProfileStringA("DATA", "PROT", "", value, sizeof(value), path.c_str());
  if (value[0] == '\0') return false;
  const ProtOffice office = SplitProt(DecodeProt(value));
  record.pm = office.pm;
  if (!office.complete) throw std::out_of_range("PROT value too short in " + path);
  record.password = office.password;
  return true;
}

int ReadOfficeFromUffaut(const std::string& path, InstallRecord& record) {
  // Binary mode: in text mode a 0x1A byte would read as the end of the file.
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return 1;
  if (std::fseek(file.get(), 521, SEEK_SET) != 0) return 1;
  unsigned char bytes[2];
  if (std::fread(bytes, 1, 2, file.get()) == 2) record.pm = UffautOfficeCode(bytes[0], bytes[1]);
  return 0;
}

int ReadOfficeFromInstallaMod(const std::string& path, InstallRecord& record) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return 1;
  std::string header(13, '\0');
  header.resize(std::fread(&header[0], 1, header.size(), file.get()));
  std::string pm, password;
  if (ParseInstallaModHeader(header, pm, password)) {
    record.pm = pm;
    record.password = password;
  }
  return 0;
}
