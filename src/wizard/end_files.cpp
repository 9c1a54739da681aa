#include "wizard/end_files.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include "log/setup_log.h"

namespace {

const char kCompatibilityKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
    "Assistant\\Persisted";
const char kLayersKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";

class ScopedKey {
 public:
  explicit ScopedKey(const char* path) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &key_, nullptr) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~ScopedKey() {
    if (key_) RegCloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::string DesktopFolder() {
  char folder[MAX_PATH] = {};
  if (SUCCEEDED(
          SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return folder;
  const char* profile = std::getenv("USERPROFILE");
  return std::string(profile ? profile : "") + "\\Desktop";
}

template <typename T>
void Release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

}  // namespace

bool WriteConfigurationFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

void MoveUnitConfiguration(const std::string& year_path) {
  DeleteFileA((year_path + "\\FILES\\TXT\\egoeimi.uff").c_str());
  const std::string source = year_path + "\\HOME\\ETC\\installa.mod";
  const std::string target = year_path + "\\HOME\\ETC\\installa.up";
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
    WriteLog("[**  ERR] Not written -> " + target + " -> " + std::to_string(GetLastError()));
    return;
  }
  DeleteFileA(source.c_str());
  WriteLog("[  INFO] Written -> " + target);
}

bool CreateDesktopShortcut(const std::string& name, const std::string& client_bin_folder,
                           bool replace) {
  const std::string link = DesktopFolder() + "\\" + name + ".lnk";
  if (!replace && GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const HRESULT com = CoInitialize(nullptr);
  IShellLinkA* shell_link = nullptr;
  IPersistFile* file = nullptr;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&shell_link));
  if (SUCCEEDED(result)) {
    shell_link->SetDescription(name.c_str());
    shell_link->SetPath((client_bin_folder + "qel.exe").c_str());
    shell_link->SetWorkingDirectory(client_bin_folder.c_str());
    result = shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  }
  if (SUCCEEDED(result)) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    result = file->Save(wide, TRUE);
  }
  if (FAILED(result))
    WriteLog("[* WARN] Desktop shortcut not written -> " + link + " -> " +
             std::to_string(static_cast<unsigned long>(result)));
  Release(file);
  Release(shell_link);
  if (SUCCEEDED(com)) CoUninitialize();
  return true;
}

bool WriteCompatibilityValues(const std::string& runtime_program) {
  ScopedKey persisted(kCompatibilityKey);
  if (!persisted.get()) return false;
  const DWORD two = 2;
  if (RegSetValueExA(persisted.get(), runtime_program.c_str(), 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&two), sizeof(two)) != ERROR_SUCCESS)
    return false;
  ScopedKey layers(kLayersKey);
  if (!layers.get()) return false;
  const char elevate[] = "ELEVATECREATEPROCESS";
  return RegSetValueExA(layers.get(), runtime_program.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(elevate), sizeof(elevate)) == ERROR_SUCCESS;
}
