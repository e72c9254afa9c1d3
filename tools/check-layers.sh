#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own.
# Layers, bottom up: util; platform; drive, sim and platform/linux; form; the
# program folders; ui; main. The pure decoders of the program folders may use
# the bottom layers only. Run by the build (target `layering`).
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
cd "$root/src"

program="app|access|identify|smart|scan|mechanics|config|pci|views|power|report"
# Files of program folders that decode drive data and must stay free of the program.
pure_decoders="identify/identify_words|identify/passport_rows|identify/drive_passport|identify/format_capacity|identify/nvme_identify|smart/nvme_logs|smart/smart_attribute_names|smart/smart_block|smart/smart_rows|views/partition_table|config/lba_amount|pci/pci_names|pci/pci_device_names|pci/pci_channels|report/drive_report"

allowed_for() {
  case "$1" in
    util/*) echo "util" ;;
    platform/linux/*) echo "util|platform" ;;
    platform/*) echo "util|platform" ;;
    drive/*) echo "util|platform|drive" ;;
    sim/*) echo "util|platform|sim" ;;
    form/*) echo "util|form" ;;
    ui/*) echo "util|platform|drive|sim|form|$program|ui" ;;
    main/*) echo "util|platform|drive|sim|form|$program|ui|main" ;;
    *)
      if [[ "$1" =~ ^($pure_decoders)\. ]]; then echo "util|platform|drive|$pure_decoders"
      else echo "util|platform|drive|form|$program"; fi ;;
  esac
}

status=0
while IFS= read -r file; do
  allowed="$(allowed_for "$file")"
  while IFS= read -r included; do
    [ -z "$included" ] && continue
    if [[ "$allowed" == *"identify/identify_words"* ]]; then
      # A pure decoder: whole file stems are listed.
      # Colours are plain values that decoded rows carry.
      [[ "$included" =~ ^(util|platform|drive)/ || "$included" == form/colour.h ||
         "${included%.h}" =~ ^($pure_decoders)$ ]] && continue
    else
      folder="${included%/*}"
      [[ "$included" =~ ^platform/linux/ && ! "$file" =~ ^(platform/linux|main|ui)/ ]] && {
        echo "layering: $file includes $included (only the Linux platform and the entry points may)"; status=1; continue; }
      [[ "$folder" =~ ^($allowed)(/|$) ]] && continue
    fi
    echo "layering: $file includes $included, a layer above it"
    status=1
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)
exit $status
