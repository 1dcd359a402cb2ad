#!/bin/bash
# Brings up 32-bit Wine in the guest and stops it again: on the first run
# this makes the Wine prefix and saves it to the cache. Run by tools/vm32/run.sh.
# shellcheck source=tools/vm32/guest.sh
. /vm/tree/tools/vm32/guest.sh
wine_up
wine_down
