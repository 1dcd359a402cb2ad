# pugixml and zlib, built from the Debian source packages that
# scripts/setup.sh unpacks into build/deps, with this build's compiler and
# flags (the i386 build, both Windows targets and the fuzzers included).
set(QV_DEPS_DIR ${PROJECT_SOURCE_DIR}/build/deps CACHE PATH "Where scripts/setup.sh unpacks the source packages")

function(qv_find_source_package name result)
  file(GLOB found LIST_DIRECTORIES true ${QV_DEPS_DIR}/${name}-*)
  list(FILTER found EXCLUDE REGEX "\\.(dsc|xz|gz|bz2)$")
  if(NOT found)
    message(FATAL_ERROR "The source of ${name} is not in ${QV_DEPS_DIR}: run scripts/setup.sh")
  endif()
  list(GET found 0 directory)
  set(${result} ${directory} PARENT_SCOPE)
endfunction()

qv_find_source_package(pugixml PUGIXML_DIR)
add_library(qv_pugixml STATIC ${PUGIXML_DIR}/src/pugixml.cpp)
target_include_directories(qv_pugixml SYSTEM PUBLIC ${PUGIXML_DIR}/src)
# Other people's code: no warnings of ours.
target_compile_options(qv_pugixml PRIVATE -w)
# Nodes of a third of the size: a large score's parsed document is most of
# what reading it holds.
target_compile_definitions(qv_pugixml PUBLIC PUGIXML_COMPACT)

qv_find_source_package(zlib ZLIB_DIR)
add_library(qv_zlib STATIC
  ${ZLIB_DIR}/adler32.c ${ZLIB_DIR}/crc32.c ${ZLIB_DIR}/deflate.c ${ZLIB_DIR}/inffast.c
  ${ZLIB_DIR}/inflate.c ${ZLIB_DIR}/inftrees.c ${ZLIB_DIR}/trees.c ${ZLIB_DIR}/zutil.c)
target_include_directories(qv_zlib SYSTEM PUBLIC ${ZLIB_DIR})
target_compile_options(qv_zlib PRIVATE -w)
