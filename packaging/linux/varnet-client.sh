#!/bin/sh
# The installed client's launcher. The client keeps everything it writes (engine cache,
# downloads, support log, companion downloader) in its current folder: for an installed client
# that is a folder of the user's own.
folder="${XDG_DATA_HOME:-$HOME/.local/share}/varnet-client"
mkdir -p "$folder" && cd "$folder" || exit 1
exec "$(dirname "$(readlink -f "$0")")/../lib/varnet-client/varnet-client" "$@"
