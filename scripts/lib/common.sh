# Shared by scripts/run, scripts/test, scripts/bench and scripts/package:
# installs the Debian packages the project needs, builds it, and starts a
# throwaway PostgreSQL.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD_DIR="${FORMULARY_BUILD_DIR:-$ROOT/build}"

# What building the two programs needs, and what formulary-admin runs:
# pg_dump and pg_restore for a server's backups.
PROGRAM_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6sql6-sqlite libgl-dev libx11-dev
    libsqlite3-dev libpq-dev libsodium-dev libxlsxwriter-dev
    postgresql-client
)
# Everything: the programs', the tests' (the package test runs CPack's
# dpkg-shlibdeps, which needs file) and the benchmarks'.
PACKAGES=(
    "${PROGRAM_PACKAGES[@]}"
    dpkg-dev file
    libgtest-dev libgmock-dev libbenchmark-dev
    postgresql
    python3-openpyxl poppler-utils qpdf
    xvfb xauth
)

say() { printf '%s\n' "$*" >&2; }

# Installs those of the given packages that are missing.
ensure_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

configure() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFORMULARY_WERROR=ON "$@" >/dev/null
}

# Everything: the programs, the tests and the benchmarks.
build() {
    configure -DFORMULARY_TESTS=ON
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# Only the two programs. A new build folder leaves the tests out, so that it
# configures without their packages; one that build() made keeps them.
build_programs() {
    [ -f "$BUILD_DIR/CMakeCache.txt" ] || configure -DFORMULARY_TESTS=OFF
    cmake --build "$BUILD_DIR" -j "$(nproc)" --target formulary formulary-admin
}

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

PG_DIR=""
PG_BIN=""

stop_postgres() {
    [ -n "$PG_DIR" ] || return 0
    if [ -f "$PG_DIR/data/postmaster.pid" ]; then
        as_pg_owner "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$PG_DIR"
    PG_DIR=""
}

as_pg_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

# Starts a cluster in a fresh folder on a free loopback port and exports
# FORMULARY_TEST_PG_URL and its log file as FORMULARY_TEST_PG_LOG; the
# caller's EXIT trap must call stop_postgres.
start_postgres() {
    PG_BIN="$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)"
    PG_DIR="$(mktemp -d /tmp/formulary-pg.XXXXXX)"
    chmod 755 "$PG_DIR"
    [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$PG_DIR"
    as_pg_owner "$PG_BIN/initdb" -D "$PG_DIR/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >/dev/null
    # The superuser gets in freely; every other role logs in with its password.
    printf '%s\n' 'local all all trust' \
        'host all postgres 127.0.0.1/32 trust' \
        'host all all 127.0.0.1/32 scram-sha-256' | as_pg_owner tee "$PG_DIR/data/pg_hba.conf" >/dev/null
    local port
    port="$(free_port)"
    as_pg_owner "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -l "$PG_DIR/server.log" -w \
        -o "-c listen_addresses=127.0.0.1 -p $port -k $PG_DIR -c fsync=off -c max_connections=200 -c log_parameter_max_length=0" start >/dev/null
    export FORMULARY_TEST_PG_URL="postgresql://postgres@127.0.0.1:$port/postgres"
    export FORMULARY_TEST_PG_LOG="$PG_DIR/server.log"
    say "PostgreSQL running on 127.0.0.1:$port"
}
