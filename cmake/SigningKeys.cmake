# Turns the trusted public keys into a header of the setup (zav_signing_keys.h). Without
# ZAV_SIGNING_KEY the build trusts the repository's TEST-ONLY key and says so each time.
set(ZAV_TEST_SIGNING_KEY ${CMAKE_SOURCE_DIR}/tests/keys/test-only-signing.pub)
set(ZAV_TEST_SIGNING_PRIVATE_KEY ${CMAKE_SOURCE_DIR}/tests/keys/test-only-signing.key)
set(keys "${ZAV_SIGNING_KEY}")
if(NOT keys)
  set(keys ${ZAV_TEST_SIGNING_KEY})
  message(WARNING "This build trusts the TEST-ONLY signing key (tests/keys): anybody can sign "
    "for it. A release build names its own key: -DZAV_SIGNING_KEY=/path/to/release.pub")
endif()
if(ZAV_SIGNING_KEY_2)
  list(APPEND keys "${ZAV_SIGNING_KEY_2}")
endif()
set(entries "")
foreach(key_file ${keys})
  if(NOT EXISTS "${key_file}")
    message(FATAL_ERROR "signing key not found: ${key_file}")
  endif()
  file(STRINGS "${key_file}" lines REGEX "^[0-9a-f]+$")
  list(LENGTH lines count)
  list(GET lines 0 hex)
  string(LENGTH "${hex}" length)
  if(NOT count EQUAL 1 OR NOT length EQUAL 128)
    message(FATAL_ERROR "not a public key of tools/publish keygen: ${key_file}")
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND entries "    {${bytes}},\n")
  message(STATUS "Trusted signing key: ${key_file}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${key_file}")
endforeach()
set(ZAV_SIGNING_KEYS_DIR ${CMAKE_BINARY_DIR}/signing)
file(CONFIGURE OUTPUT ${ZAV_SIGNING_KEYS_DIR}/zav_signing_keys.h CONTENT
"// Generated from the ZAV_SIGNING_KEY options: the public keys (X||Y) the setup trusts.
#pragma once
static const unsigned char kZavSigningKeys[][64] = {
${entries}};
")
