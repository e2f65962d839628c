# shellcheck shell=bash source=../harness_functions.sh
# The permission step ran before the log and made its key: removed for the next scenario (the
# log's comparison already shows that nothing after the log was done).
remove_reg_key 'HKCU\Software\Vorlax Actions'
