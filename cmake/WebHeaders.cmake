# Debian's header-only packages for the WebAssembly build (nlohmann-json,
# CLI11), each seen through a folder that holds nothing but it, so that
# emscripten's system headers are not mixed with the machine's /usr/include.
function(qv_web_headers package target folder version)
  set(root ${CMAKE_BINARY_DIR}/web-headers/${package})
  file(MAKE_DIRECTORY ${root}/include)
  file(CREATE_LINK /usr/include/${folder} ${root}/include/${folder} SYMBOLIC)
  file(WRITE ${root}/${package}Config.cmake
    "if(NOT TARGET ${target})\n"
    "  add_library(${target} INTERFACE IMPORTED)\n"
    "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${root}/include)\n"
    "endif()\n")
  file(WRITE ${root}/${package}ConfigVersion.cmake
    "set(PACKAGE_VERSION ${version})\nset(PACKAGE_VERSION_COMPATIBLE TRUE)\n")
  set(${package}_DIR ${root} CACHE PATH "${package} for the WebAssembly build" FORCE)
endfunction()

qv_web_headers(nlohmann_json nlohmann_json::nlohmann_json nlohmann 3.11)
qv_web_headers(CLI11 CLI11::CLI11 CLI 2.1)
