#!/bin/bash
# Fixture cleanup: no Wine process of this run outlives it. The prefix stays
# for inspection; the next run's setup replaces it.
export WINEPREFIX
timeout 15 wineserver -k 2>/dev/null
exit 0
