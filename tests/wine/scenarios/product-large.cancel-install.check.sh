# shellcheck shell=bash source=../harness_functions.sh
# After product-large.cancel-install.scenario: the worker finished the installation although it
# was cancelled, so the install log is the complete installation's log (product/expected/
# Install.log) with a File line for each of the large product's pieces after the sample product's
# files, byte for byte; the install folder holds exactly the files the log lists (besides the log
# and its properties copy), and the pieces hold what the installer carries. The pieces, their
# number and content, are made by sample_product.cpp ("large" variant): piece NNNN is its line
# "piece NNNN" CR LF repeated, cut to 4,096 bytes.
readonly pieces=1000 piece_size=4096
tests=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
folder=$(linux_path 'C:\Vorlax Demo')

# The complete installation's log with the piece lines after the last sample product file.
iconv -f UTF-16LE -t UTF-8 "$tests/product/expected/Install.log" |
  awk -v pieces="$pieces" '
    { print }
    /docs\\manual\.txt<\/File>/ {
      for (i = 0; i < pieces; i++) printf "\t<File>C:\\Vorlax Demo\\data\\pieces\\%04d.dat</File>\r\n", i
    }' |
  iconv -f UTF-8 -t UTF-16LE >"$WORKDIR/Install.large-cancel.log"
if ! cmp "$folder/Install.log" "$WORKDIR/Install.large-cancel.log"; then
  echo "FAIL log: Install.log differs from the complete log with $pieces pieces"
  exit 1
fi
echo "ok log: the complete installation's log with $pieces pieces"

# What is installed: the files the log lists, and the log with its properties copy.
listed=$(iconv -f UTF-16LE -t UTF-8 "$folder/Install.log" | tr -d '\r' |
  sed -n 's|^\t<File>C:\\Vorlax Demo\\\(.*\)</File>$|\1|p' | sed 's|\\|/|g' | sort)
installed=$(cd "$folder" && find . -type f ! -name Install.log ! -name Install_props.xml | sed 's|^\./||' | sort)
if [ "$listed" != "$installed" ]; then
  echo "FAIL files: the install folder and the log's File lines differ:"
  diff <(echo "$listed") <(echo "$installed") || true
  exit 1
fi
echo "ok files: the install folder holds the $(wc -l <<<"$listed") files the log lists"

awk -v pieces="$pieces" -v size="$piece_size" 'BEGIN {
  for (i = 0; i < pieces; i++) {
    line = sprintf("piece %04d\r\n", i); text = ""
    while (length(text) < size) text = text line
    printf "%s", substr(text, 1, size)
  }
}' | cmp - <(cat "$folder"/data/pieces/*.dat) || { echo "FAIL pieces: the installed pieces differ"; exit 1; }
echo "ok pieces: $pieces pieces of $piece_size bytes as packed"
