# The plug-in DLL with mingw's win32 thread model: the Windows build's
# compilers are the posix ones (for GoogleTest), and a launcher swaps in the
# win32 drivers for the DLL's own compile and link steps.
function(qv_win32_thread_model target)
  set(launcher ${PROJECT_SOURCE_DIR}/cmake/win32-thread-model.sh)
  set_target_properties(${target} PROPERTIES RULE_LAUNCH_COMPILE ${launcher} RULE_LAUNCH_LINK ${launcher})
endfunction()
