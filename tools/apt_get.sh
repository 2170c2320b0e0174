# Sourced by the install scripts: apt-get that waits for a busy package
# manager (another apt-get, unattended-upgrades) instead of failing at once.
#   apt_get ARGS...        apt-get waiting up to 10 minutes for dpkg's lock
#   update_package_lists   apt-get update, waiting for the package lists' lock
export DEBIAN_FRONTEND=noninteractive
apt_sudo=
[ "$(id -u)" = 0 ] || apt_sudo=sudo
k_apt_lock_wait=600

apt_get() { $apt_sudo apt-get -o DPkg::Lock::Timeout=$k_apt_lock_wait "$@"; }

# apt 2.6 waits for dpkg's lock with the option above but not for the lists'
# lock that `update` takes: while another process holds it, try again every
# 5 s for as long.
update_package_lists() {
    local waited=0 output
    while ! output=$(apt_get update -qq 2>&1); do
        case $output in
        *"Could not get lock"*)
            if [ $waited -ge $k_apt_lock_wait ]; then
                echo "$output" >&2
                return 1
            fi
            [ $waited -gt 0 ] || echo "waiting for another package manager to finish" >&2
            sleep 5
            waited=$((waited + 5)) ;;
        *)
            echo "$output" >&2
            return 1 ;;
        esac
    done
    [ -z "$output" ] || echo "$output"
}
