#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks that every installed file lies where the
# program that reads it looks, following the references between the shipped files rather than restating
# their paths: the bus activation file names the systemd unit, the unit names the helper, the metainfo
# names the desktop entry, the entry names the application and its icon. It runs once with the build's
# own prefix and once with `--prefix /usr` given at install time, which must not move anything the
# helper or its unit refer to by full path. Every installed file must be accounted for by some check.
# Usage: install_layout_test.sh BUILD_DIR TRUSTED_CLIENT HELPER_UNIT
#   TRUSTED_CLIENT  the executable the installed helper admits calls from (compiled into it)
#   HELPER_UNIT     the systemd unit the application enables to register the helper
set -euo pipefail

build=$1
trusted=$2
helper_unit=$3

work=$(mktemp -d /tmp/qm-install-XXXXXX)
trap 'rm -rf -- "$work"' EXIT

failures=0
fail() {
    echo "FAIL [$case_name]: $*" >&2
    failures=$((failures + 1))
}

# The value of KEY in an ini-style FILE (first occurrence), without surrounding blanks.
ini_value() {
    sed -n "s/^[[:space:]]*$2[[:space:]]*=[[:space:]]*//p" "$1" | head -n 1 | sed 's/[[:space:]]*$//'
}

# Where each consumer looks, on this system, for the files it reads.
# The desktop's menus and icon themes: the default XDG data folders.
xdg_data_dirs=(/usr/local/share /usr/share)
# The system bus reads its policies and activation files from /usr/share/dbus-1 only (and /etc).
dbus_policy_dir=/usr/share/dbus-1/system.d
dbus_services_dir=/usr/share/dbus-1/system-services
# AppStream reads installed components from /usr/share/metainfo only.
metainfo_dir=/usr/share/metainfo
# systemd's own list of unit folders.
mapfile -t unit_dirs < <(systemd-analyze unit-paths 2>/dev/null || true)
if [[ ${#unit_dirs[@]} -eq 0 ]]; then
    unit_dirs=(/etc/systemd/system /usr/local/lib/systemd/system /lib/systemd/system /usr/lib/systemd/system)
fi
# polkit reads actions and rules from its own folders.
polkit_dirs=(/usr/share/polkit-1/actions /usr/share/polkit-1/rules.d)

# An executable the helper may trust or systemd may start as root: a regular file, executable,
# root-owned, writable by nobody but its owner, loading libraries from the system's folders only (no
# run path of its own).
check_root_executable() {
    local what=$1 file=$2
    if [[ ! -f $file || -L $file ]]; then
        fail "$what is not installed as a regular file at ${file#"$dest"}"
        return
    fi
    [[ -x $file ]] || fail "$what is not executable: ${file#"$dest"}"
    local owner mode
    owner=$(stat -c %u "$file")
    mode=$(stat -c %a "$file")
    [[ $owner == 0 ]] || fail "$what is owned by uid $owner, not root: ${file#"$dest"}"
    (((8#$mode & 8#022) == 0)) || fail "$what is writable by group or others (mode $mode): ${file#"$dest"}"
    local run_path
    run_path=$(readelf -d "$file" | grep -E '\((RUNPATH|RPATH)\)' || true)
    [[ -z $run_path ]] || fail "$what carries a run path: ${file#"$dest"}: $run_path"
}

check_install() {
    local -a prefix_args=("$@")
    dest=$work/$case_name
    mkdir -p "$dest"
    if ! DESTDIR=$dest cmake --install "$build" "${prefix_args[@]}" >"$work/$case_name.log" 2>&1; then
        cat "$work/$case_name.log" >&2
        fail "cmake --install failed"
        return
    fi
    local -A accounted=()

    # The system bus: one activation file, named after the bus name as the system bus requires, handing
    # activation to a systemd unit.
    local -a activations=("$dest$dbus_services_dir"/*.service)
    if [[ ! -f ${activations[0]} ]]; then
        fail "no bus activation file under $dbus_services_dir"
        return
    fi
    local activation bus_name systemd_service
    for activation in "${activations[@]}"; do
        accounted[$activation]=1
        bus_name=$(ini_value "$activation" Name)
        systemd_service=$(ini_value "$activation" SystemdService)
        [[ $(basename "$activation") == "$bus_name.service" ]] ||
            fail "activation file $(basename "$activation") is not named after its bus name $bus_name"
        [[ -n $systemd_service ]] || fail "activation file for $bus_name names no systemd unit"

        # Its policy lets root own the name.
        local policy found_policy=
        for policy in "$dest$dbus_policy_dir"/*.conf; do
            [[ -f $policy ]] || continue
            accounted[$policy]=1
            if grep -Eq "<allow[[:space:]]+own=\"$bus_name\"" "$policy"; then found_policy=$policy; fi
        done
        [[ -n $found_policy ]] || fail "no bus policy under $dbus_policy_dir lets anyone own $bus_name"

        # The unit the application enables lies in a folder systemd reads, owns the bus name and
        # installs the alias the activation file hands over to.
        local dir unit=
        for dir in "${unit_dirs[@]}"; do
            if [[ -f $dest$dir/$helper_unit ]]; then
                unit=$dest$dir/$helper_unit
                break
            fi
        done
        if [[ -z $unit ]]; then
            fail "the unit $helper_unit is not in any folder systemd reads (${unit_dirs[*]})"
            continue
        fi
        accounted[$unit]=1
        [[ $(ini_value "$unit" Type) == dbus ]] || fail "$helper_unit is not of Type=dbus"
        [[ $(ini_value "$unit" BusName) == "$bus_name" ]] || fail "$helper_unit does not own $bus_name"
        grep -Eq "^Alias=(.*[[:space:]])?$systemd_service([[:space:]]|$)" "$unit" ||
            fail "$helper_unit does not install the alias $systemd_service the bus activates"

        # The helper lies where the unit starts it, and trusts the application's installed path.
        local exec_start helper
        exec_start=$(ini_value "$unit" ExecStart)
        helper=${exec_start%%[[:space:]]*}
        helper=${helper##[-@:+!]}
        helper=${helper##[-@:+!]}
        [[ $helper == /* ]] || fail "$helper_unit starts a relative path: $helper"
        check_root_executable "the helper $helper_unit starts" "$dest$helper"
        accounted[$dest$helper]=1
        if [[ -f $dest$helper ]] && ! grep -qaF -- "$trusted" "$dest$helper"; then
            fail "the installed helper does not name $trusted as its trusted client"
        fi
    done

    # AppStream: the component's metainfo, named after its id, launching through the desktop entry.
    local -a metainfos=("$dest$metainfo_dir"/*.metainfo.xml)
    if [[ ! -f ${metainfos[0]} ]]; then
        fail "no metainfo under $metainfo_dir"
        return
    fi
    local metainfo component_id launchable
    for metainfo in "${metainfos[@]}"; do
        accounted[$metainfo]=1
        component_id=$(sed -n 's:.*<id>\([^<]*\)</id>.*:\1:p' "$metainfo" | head -n 1)
        launchable=$(sed -n 's:.*<launchable type="desktop-id">\([^<]*\)</launchable>.*:\1:p' "$metainfo")
        [[ $(basename "$metainfo") == "$component_id.metainfo.xml" ]] ||
            fail "metainfo $(basename "$metainfo") is not named after its id $component_id"
        [[ $launchable == "$component_id.desktop" ]] ||
            fail "metainfo $component_id launches '$launchable', not its own desktop entry"

        # The desktop entry lies where menus look, starts the executable the helper trusts and
        # names an icon the icon theme finds.
        local data_dir entry=
        for data_dir in "${xdg_data_dirs[@]}"; do
            if [[ -f $dest$data_dir/applications/$launchable ]]; then
                entry=$dest$data_dir/applications/$launchable
                break
            fi
        done
        if [[ -z $entry ]]; then
            fail "desktop entry $launchable is not under applications/ in ${xdg_data_dirs[*]}"
            continue
        fi
        accounted[$entry]=1
        local exec program icon icon_file=
        exec=$(ini_value "$entry" Exec)
        program=${exec%%[[:space:]]*}
        [[ $program == "$trusted" ]] ||
            fail "the desktop entry starts '$program', not the executable the helper trusts ($trusted)"
        check_root_executable "the application the helper trusts" "$dest$trusted"
        accounted[$dest$trusted]=1
        icon=$(ini_value "$entry" Icon)
        for data_dir in "${xdg_data_dirs[@]}"; do
            if [[ -f $dest$data_dir/icons/hicolor/scalable/apps/$icon.svg ]]; then
                icon_file=$dest$data_dir/icons/hicolor/scalable/apps/$icon.svg
                break
            fi
        done
        if [[ -z $icon_file ]]; then
            fail "icon '$icon' is not under icons/hicolor/scalable/apps in ${xdg_data_dirs[*]}"
        else
            accounted[$icon_file]=1
        fi
    done

    # polkit's folders are read by polkit itself, whatever lies in them.
    local dir file
    for dir in "${polkit_dirs[@]}"; do
        for file in "$dest$dir"/*; do
            [[ -f $file ]] && accounted[$file]=1
        done
    done

    # Nothing else may be installed: a file no check reached lies where nothing reads it.
    while IFS= read -r -d '' file; do
        [[ -n ${accounted[$file]:-} ]] || fail "installed where nothing reads it: ${file#"$dest"}"
    done < <(find "$dest" ! -type d -print0)
}

case_name="build prefix"
check_install
case_name="prefix /usr"
check_install --prefix /usr

if ((failures > 0)); then
    echo "install layout: $failures failure(s)" >&2
    exit 1
fi
echo "install layout: every installed file lies where its consumer reads it"
