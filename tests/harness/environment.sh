# Sourced by the test scripts that also run outside ctest (the end-to-end
# runs, with_pulse.sh and the benchmarks started through it): the same fonts
# and sound-server rules as every test under ctest, none of the user's.
cuelark_harness=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export FONTCONFIG_FILE="$cuelark_harness/fonts.conf"
export PULSE_CLIENTCONFIG="$cuelark_harness/pulse-client.conf"
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_FONT_DPI QT_SCALE_FACTOR \
    QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING \
    QT_SCALE_FACTOR_ROUNDING_POLICY
