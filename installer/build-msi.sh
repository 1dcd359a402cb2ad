#!/usr/bin/env bash
# Builds the installer package with wixl from qvperfcopy.wxs.
# Usage: build-msi.sh VERSION ARCH(x86|x64) PLUGIN.fxt ACTIONS.dll NOTICES.txt OUTPUT.msi
# ACTIONS.dll is qvsetup.dll, the custom actions, of the package's bitness;
# NOTICES.txt the third-party notices, installed beside the plug-in.
# The product and package codes are derived from the version and the
# architecture, so that the same inputs give the same codes, and each new
# version a new product code (which a major upgrade needs).
set -euo pipefail
[ $# -eq 6 ] || { echo "usage: build-msi.sh VERSION ARCH PLUGIN.fxt ACTIONS.dll NOTICES.txt OUTPUT.msi" >&2; exit 2; }
version=$1 arch=$2 plugin=$3 actions=$4 notices=$5 output=$6
here=$(cd "$(dirname "$0")" && pwd)
command -v wixl >/dev/null || { echo "build-msi.sh: wixl is not installed (apt-get install wixl)" >&2; exit 2; }
# A GUID from the SHA-256 of a text, marked as a name-based one (version 5).
code() {
  local hex
  hex=$(printf 'qvperfcopy %s' "$1" | sha256sum | tr 'a-f' 'A-F')
  printf '%s-%s-5%s-%s%s-%s\n' "${hex:0:8}" "${hex:8:4}" "${hex:13:3}" \
    "$(printf '%X' $(( (16#${hex:16:1} & 3) | 8 )))" "${hex:17:3}" "${hex:20:12}"
}
product_code=$(code "product $version $arch")
package_code=$(code "package $version $arch $(sha256sum "$plugin" | cut -d' ' -f1)")
# wixl finds the files it packs by names relative to the folder it runs in.
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$plugin" "$stage/qvperfcopy.fxt"
cp "$actions" "$stage/qvsetup.dll"
cp "$notices" "$stage/THIRD-PARTY-NOTICES.txt"
cp "$here/qvperfcopy.wxs" "$stage/"
# The cabinet stores each file's time: a fixed one, the release's own
# (SOURCE_DATE_EPOCH) when given.
touch -d "@${SOURCE_DATE_EPOCH:-1704067200}" "$stage"/*
(cd "$stage" && wixl -a "$arch" -o "$output" \
  -D Version="$version" -D ProductCode="$product_code" -D PackageCode="$package_code" \
  -D Plugin=qvperfcopy.fxt -D Actions=qvsetup.dll -D Notices=THIRD-PARTY-NOTICES.txt qvperfcopy.wxs)
# What wixl cannot write: the Plug-ins folder's component is permanent
# (attribute 16); the searches in TARGETDIR for FINALE.EXE and the Plug-ins
# folder (tables/), the folder they looked at (RememberSearchedFolder, type
# 51 plus 256: only in the first sequence, as AppSearch), and the refusal
# whose condition reads them (type 19).
msibuild "$output" -q "UPDATE \`Component\` SET \`Attributes\` = 16 WHERE \`Component\` = 'PluginsFolder'"
for table in "$here"/tables/*.idt; do msibuild "$output" -i "$table"; done
refusal="QV Perfcopy was not installed: the folder [TARGETDIR] does not hold Finale (FINALE.EXE and a Plug-ins folder). Choose the program folder of Finale, for example TARGETDIR=\"C:\\Program Files (x86)\\Finale 2012\\\"."
msibuild "$output" \
  -q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('QV_TARGET_EXE', 'TargetExe')" \
  -q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('QV_TARGET_PLUGINS', 'TargetPlugins')" \
  -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('RememberSearchedFolder', 307, 'QV_SEARCHED_FOLDER', '[TARGETDIR]')" \
  -q "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Sequence\`) VALUES ('RememberSearchedFolder', 49)" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RememberSearchedFolder', 49)" \
  -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Target\`) VALUES ('RefuseFolderWithoutFinale', 19, '$refusal')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('RefuseFolderWithoutFinale', 'NOT Installed AND TARGETDIR = QV_SEARCHED_FOLDER AND NOT (QV_TARGET_EXE AND QV_TARGET_PLUGINS)', 792)"
# The interactive installer's windows (wixl writes none): the tables in
# ui/, the dialogs' places in the UI sequence, just before ExecuteAction
# (1300), and the ends: -1 done, -2 cancelled, -3 failed.
for table in "$here"/ui/*.idt; do msibuild "$output" -i "$table"; done
msibuild "$output" \
  -q "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('FolderDlg', 'NOT Installed', 1298)" \
  -q "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('RemoveDlg', 'Installed', 1299)" \
  -q "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Sequence\`) VALUES ('ExitDlg', -1)" \
  -q "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Sequence\`) VALUES ('UserExitDlg', -2)" \
  -q "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Sequence\`) VALUES ('FatalErrorDlg', -3)" \
  -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('ErrorDialog', 'ErrorDlg')" \
  -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('DefaultUIFont', 'QvNormal')"
# Nothing in the package may need a script engine.
"$here/check-custom-actions.sh" "$output"
