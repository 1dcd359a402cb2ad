# nlohmann-json for the WebAssembly build: Debian's header-only package,
# seen through a folder that holds nothing but it, so that emscripten's
# system headers are not mixed with the machine's /usr/include.
set(QV_WEB_JSON ${CMAKE_BINARY_DIR}/web-json)
file(MAKE_DIRECTORY ${QV_WEB_JSON}/include)
file(CREATE_LINK /usr/include/nlohmann ${QV_WEB_JSON}/include/nlohmann SYMBOLIC)
file(WRITE ${QV_WEB_JSON}/nlohmann_jsonConfig.cmake
  "if(NOT TARGET nlohmann_json::nlohmann_json)\n"
  "  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)\n"
  "  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${QV_WEB_JSON}/include)\n"
  "endif()\n")
file(WRITE ${QV_WEB_JSON}/nlohmann_jsonConfigVersion.cmake
  "set(PACKAGE_VERSION 3.11)\nset(PACKAGE_VERSION_COMPATIBLE TRUE)\n")
set(nlohmann_json_DIR ${QV_WEB_JSON} CACHE PATH "nlohmann-json for the WebAssembly build" FORCE)
