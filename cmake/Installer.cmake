# The installer's test packages, made with wixl from installer/qvperfcopy.wxs
# with this build's plug-in: one of this version and one of an older version
# for the upgrade. The 64-bit build's (the 64-bit host under Wine cannot load
# the 32-bit product) are installed, upgraded and removed by the tests here
# with Wine's msiexec in a fresh prefix; the 32-bit build's older package is
# the one the virtual machine upgrades from to the release's own package
# (tools/vm32/release-msi-tests.sh).
if(NOT WIN32)
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QV_MSI_ARCH x64)
else()
  set(QV_MSI_ARCH x86)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/QvVersion.cmake)
find_program(QV_WIXL wixl)
if(NOT QV_WIXL)
  message(WARNING "wixl is not installed (scripts/setup.sh installs it): no installer tests")
  return()
endif()

# The older build: the same plug-in code with an older version resource.
set(QV_OLDER_VERSION 0.0.1)
if(NOT QV_OLDER_VERSION VERSION_LESS PROJECT_VERSION)
  message(FATAL_ERROR "the upgrade test's older version ${QV_OLDER_VERSION} is not older than ${PROJECT_VERSION}")
endif()
set(QV_OLDER_DIR ${CMAKE_BINARY_DIR}/installer/older)
qv_write_version_header(${QV_OLDER_VERSION} ${QV_OLDER_DIR}/version)
add_library(qvperfcopy_older SHARED ${PROJECT_SOURCE_DIR}/src/resources/qvperfcopy.rc
            ${PROJECT_SOURCE_DIR}/src/shell/qvperfcopy.def)
target_include_directories(qvperfcopy_older PRIVATE ${QV_OLDER_DIR}/version)
target_link_libraries(qvperfcopy_older PRIVATE -Wl,--whole-archive qvplugin -Wl,--no-whole-archive user32 kernel32)
target_link_options(qvperfcopy_older PRIVATE -s -Wl,--no-insert-timestamp)
qv_win32_thread_model(qvperfcopy_older)
set_target_properties(qvperfcopy_older PROPERTIES PREFIX "" OUTPUT_NAME qvperfcopy SUFFIX ".fxt"
                      RUNTIME_OUTPUT_DIRECTORY ${QV_OLDER_DIR})

set(QV_BUILD_MSI ${PROJECT_SOURCE_DIR}/installer/build-msi.sh)
set(QV_INSTALLER_SOURCES ${QV_BUILD_MSI} ${PROJECT_SOURCE_DIR}/installer/qvperfcopy.wxs
    ${PROJECT_SOURCE_DIR}/installer/check-custom-actions.sh)
foreach(table ComboBox Control ControlCondition ControlEvent Dialog TextStyle)
  list(APPEND QV_INSTALLER_SOURCES ${PROJECT_SOURCE_DIR}/installer/ui/${table}.idt)
endforeach()
foreach(table DrLocator Signature)
  list(APPEND QV_INSTALLER_SOURCES ${PROJECT_SOURCE_DIR}/installer/tables/${table}.idt)
endforeach()
# The test packages' notices: a stand-in (scripts/release.sh gathers the
# release's own from its build).
set(QV_TEST_NOTICES ${CMAKE_BINARY_DIR}/installer/THIRD-PARTY-NOTICES.txt)
file(WRITE ${QV_TEST_NOTICES} "The third-party notices of a test package: scripts/release.sh gathers the release's.\n")
set(QV_TEST_MSI ${CMAKE_BINARY_DIR}/installer/qvperfcopy-${PROJECT_VERSION}-${QV_MSI_ARCH}.msi)
set(QV_OLDER_MSI ${CMAKE_BINARY_DIR}/installer/qvperfcopy-${QV_OLDER_VERSION}-${QV_MSI_ARCH}.msi)
add_custom_command(OUTPUT ${QV_TEST_MSI}
                   COMMAND ${QV_BUILD_MSI} ${PROJECT_VERSION} ${QV_MSI_ARCH} $<TARGET_FILE:qvperfcopy> $<TARGET_FILE:qvsetup> ${QV_TEST_NOTICES} ${QV_TEST_MSI}
                   DEPENDS qvperfcopy qvsetup ${QV_INSTALLER_SOURCES}
                   COMMENT "Packing the plug-in into a test installer")
add_custom_command(OUTPUT ${QV_OLDER_MSI}
                   COMMAND ${QV_BUILD_MSI} ${QV_OLDER_VERSION} ${QV_MSI_ARCH} $<TARGET_FILE:qvperfcopy_older> $<TARGET_FILE:qvsetup> ${QV_TEST_NOTICES} ${QV_OLDER_MSI}
                   DEPENDS qvperfcopy_older qvsetup ${QV_INSTALLER_SOURCES}
                   COMMENT "Packing the older plug-in into a test installer")
add_custom_target(installer_test_packages ALL DEPENDS ${QV_TEST_MSI} ${QV_OLDER_MSI})
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  return()
endif()

# The same tests with Wine's VBScript and JScript engines switched off: the
# package must need neither.
foreach(engines on off)
  if(engines STREQUAL "on")
    set(name installer_under_wine)
    set(extra "")
    set(screenshots ${PROJECT_SOURCE_DIR}/build/screenshots/installer)
  else()
    set(name installer_without_script_engines)
    set(extra --no-script-engines)
    set(screenshots ${CMAKE_BINARY_DIR}/installer/screenshots-without-script-engines)
  endif()
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tools/installer-tests.sh
                   --msi ${QV_TEST_MSI} --older-msi ${QV_OLDER_MSI}
                   --plugin $<TARGET_FILE:qvperfcopy> --older-plugin $<TARGET_FILE:qvperfcopy_older>
                   --host $<TARGET_FILE:finale_host> --version ${PROJECT_VERSION} --older-version ${QV_OLDER_VERSION}
                   --work ${CMAKE_BINARY_DIR}/installer/tests-${engines}
                   --screenshots ${screenshots} ${extra})
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endforeach()

# The package check must refuse a package with a VBScript action.
add_test(NAME installer_check_rejects_script_actions
         COMMAND bash -c [=[set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$1" "$work/script.msi"
msibuild "$work/script.msi" -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('Probe', 3126, 'SetupActions', 'Main')"
"$0" "$work/script.msi"]=] ${PROJECT_SOURCE_DIR}/installer/check-custom-actions.sh ${QV_TEST_MSI})
set_tests_properties(installer_check_rejects_script_actions PROPERTIES
                     PASS_REGULAR_EXPRESSION "has the script custom action Probe \\(type 3126\\)")
