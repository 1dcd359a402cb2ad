#!/bin/bash
# The product's tests in the guest's 32-bit Windows: the i686 qvperfcopy.fxt
# driven by the i686 FINALE.EXE, as in a user's 32-bit host. The same checks
# as the x64 build's under wine64, plus the tests that only a 32-bit run can
# make (inside FINALE.EXE --run-tests). Run by tools/vm32/run.sh.
set -u
# shellcheck source=tools/vm32/guest.sh
. /vm/tree/tools/vm32/guest.sh
bin=/vm/tree/build/win32/bin
sessions=/vm/tree/tests/fixtures/sessions
tools=/vm/tree/tools
shots=/vm/out/screenshots
export bin sessions tools
mkdir -p "$shots" /vm/out/sessions
export QV_SESSION_RESULTS=/vm/out/sessions
wine_up
program run-tests env QV_SCREENSHOTS="Z:$shots" "$tools/wine-run.sh" "$bin/FINALE.EXE" --run-tests
for session in whole-job checks reopen; do
  program "session-$session" "$tools/wine-session.sh" "$bin/FINALE.EXE" "$sessions/$session.session.json" \
    "$sessions/$session.transcript.txt" --screenshots "Z:$shots"
done
musicxml_session() {
  "$tools/wine-session.sh" "$bin/FINALE.EXE" "$sessions/musicxml.session.json" "$sessions/musicxml.transcript.txt" \
    --output Z:/vm/out/musicxml-out.musicxml &&
    cmp /vm/out/musicxml-out.musicxml /vm/tree/tests/fixtures/musicxml/whole_copy_expected.musicxml
}
program session-musicxml musicxml_session
program two-host-runs "$tools/wine-two-runs.sh" "$bin/FINALE.EXE" "$sessions"
program host-without-fx-dialog "$tools/wine-session.sh" "$bin/nodialog/FINALE.EXE" \
  "$sessions/no-dialog.session.json" "$sessions/no-dialog.transcript.txt"
program bad-input "$tools/wine-bad-input.sh" "$bin/FINALE.EXE" "$sessions"
program open-close-cycles "$tools/wine-run.sh" "$bin/FINALE.EXE" --cycles
wine_down
