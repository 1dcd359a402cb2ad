# qv_write_version_header(VERSION DIR): writes DIR/qvperfcopy_version.h, the
# numbers the DLL's version resource carries, for a version "major.minor.patch".
function(qv_write_version_header version dir)
  string(REPLACE "." ";" parts "${version}")
  list(GET parts 0 QV_VERSION_MAJOR)
  list(GET parts 1 QV_VERSION_MINOR)
  list(GET parts 2 QV_VERSION_PATCH)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/resources/qvperfcopy_version.h.in
                 ${dir}/qvperfcopy_version.h @ONLY)
endfunction()
