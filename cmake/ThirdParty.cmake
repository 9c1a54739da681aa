# Builds the third-party sources fetched by scripts/fetch-deps.sh as static libraries.
# They keep their own character set and warnings; our flags apply only to our targets.
set(TP ${CMAKE_SOURCE_DIR}/third_party)
foreach(d sqlitecpp pugixml googletest 7zip)
  if(NOT EXISTS ${TP}/${d})
    message(FATAL_ERROR "third_party/${d} is missing: run scripts/fetch-deps.sh (make deps)")
  endif()
endforeach()

add_library(sqlite3 STATIC ${TP}/sqlitecpp/sqlite3/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${TP}/sqlitecpp/sqlite3)
target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DEFAULT_FOREIGN_KEYS=0)
target_compile_options(sqlite3 PRIVATE -w -O2)

file(GLOB SQLITECPP_SOURCES ${TP}/sqlitecpp/src/*.cpp)
add_library(SQLiteCpp STATIC ${SQLITECPP_SOURCES})
target_include_directories(SQLiteCpp SYSTEM PUBLIC ${TP}/sqlitecpp/include)
target_link_libraries(SQLiteCpp PUBLIC sqlite3)
target_compile_options(SQLiteCpp PRIVATE -w)
target_compile_definitions(SQLiteCpp PUBLIC SQLITE_OMIT_LOAD_EXTENSION)

add_library(pugixml STATIC ${TP}/pugixml/src/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${TP}/pugixml/src)
target_compile_options(pugixml PRIVATE -w)

# The LZMA SDK's 7z reader (C), from the 7-Zip source package.
set(LZMA_C ${TP}/7zip/C)
add_library(lzma7z STATIC
  ${LZMA_C}/7zAlloc.c ${LZMA_C}/7zArcIn.c ${LZMA_C}/7zBuf.c ${LZMA_C}/7zBuf2.c
  ${LZMA_C}/7zCrc.c ${LZMA_C}/7zCrcOpt.c ${LZMA_C}/7zDec.c ${LZMA_C}/7zFile.c
  ${LZMA_C}/7zStream.c ${LZMA_C}/Bcj2.c ${LZMA_C}/Bra.c ${LZMA_C}/Bra86.c
  ${LZMA_C}/BraIA64.c ${LZMA_C}/CpuArch.c ${LZMA_C}/Delta.c ${LZMA_C}/Lzma2Dec.c
  ${LZMA_C}/LzmaDec.c)
target_include_directories(lzma7z SYSTEM PUBLIC ${LZMA_C})
target_compile_options(lzma7z PRIVATE -w -O2)

add_library(gtest STATIC
  ${TP}/googletest/googletest/src/gtest-all.cc
  ${TP}/googletest/googlemock/src/gmock-all.cc)
target_include_directories(gtest SYSTEM PUBLIC
  ${TP}/googletest/googletest/include ${TP}/googletest/googlemock/include)
target_include_directories(gtest PRIVATE ${TP}/googletest/googletest ${TP}/googletest/googlemock)
target_compile_options(gtest PRIVATE -w)
