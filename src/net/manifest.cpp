#include "net/manifest.h"

#include <pugixml.hpp>

namespace {

// Text of the element's first text or CDATA child; found = false when the element is absent.
std::string ChildText(const pugi::xml_node& parent, const char* name, bool& found) {
  const pugi::xml_node element = parent.child(name);
  found = element;
  if (!element) return std::string();
  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) return child.value();
  return std::string();
}

}  // namespace

bool ParseManifest(const std::string& text, ManifestValues& values) {
  values.archive_url.clear();
  pugi::xml_document document;
  // c_str(): the document ends at the first NUL byte.
  if (!document.load_string(text.c_str())) return false;
  const pugi::xml_node rel = document.child("rel");
  if (!rel) return false;
  bool found = false;
  values.archive_url = ChildText(rel, "download_url", found);
  const std::string number = ChildText(rel, "number", found);
  if (found) values.version = number;
  const std::string checksum = ChildText(rel, "checksum", found);
  if (found) values.checksum = checksum;
  return !values.archive_url.empty();
}

bool ReadQelManifest(const std::string& text, std::string& archive_url, std::string& version,
                     std::string& checksum) {
  ManifestValues values{std::string(), version, checksum};
  const bool ok = ParseManifest(text, values);
  archive_url = values.archive_url;
  version = values.version;
  checksum = values.checksum;
  return ok;
}
