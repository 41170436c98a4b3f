#!/usr/bin/env bash
# A home behind a router, in network namespaces of its own, with no link to
# the machine's network:
#
#   <name>-home    10.77.0.2/24, default route 10.77.0.1
#   <name>-router  10.77.0.1/24 on the LAN, <wan>.1/24 outside; nftables NAT,
#                  miniupnpd (Debian's miniupnpd-nftables) in secure mode on
#                  the LAN, its pid and lease files in the world's folder
#   <name>-net     <wan>.2/24: the internet side
#
#   world.sh up NAME DIR [plain|no-upnp|private]
#   world.sh down NAME DIR
#   world.sh mappings NAME     the router's port mappings, one "port -> address:port" a line
#   world.sh from NAME ADDRESS the home's requests come from ADDRESS (10.77.0.x), as
#                              another machine of the home would send them
#
# The internet side is 185.77.0.0/24, which miniupnpd takes as public (it
# refuses reserved and documentation ranges); "private" puts it on
# 10.99.0.0/24, a router behind another router; "no-upnp" runs no miniupnpd.
# Nothing leaves these namespaces: none is linked to the machine's own.
# Needs root; `up` says why it cannot when it cannot, and exits 1.
set -euo pipefail
command="$1"
name="$2"
home="$name-home" router="$name-router" net="$name-net"
# Interface names stay within 15 characters.
short=$(printf '%s' "$name" | tail -c 10)

in_ns() { ip netns exec "$1" "${@:2}"; }

case "$command" in
  up)
    dir="$3"
    kind="${4:-plain}"
    wan=185.77.0
    [ "$kind" = private ] && wan=10.99.0
    mkdir -p "$dir"
    for ns in "$home" "$router" "$net"; do
      if ! ip netns add "$ns" 2>"$dir/netns.err"; then
        echo "cannot make a network namespace: $(head -n 1 "$dir/netns.err")"
        exit 1
      fi
      in_ns "$ns" ip link set lo up
    done
    ip link add "${short}h" netns "$home" type veth peer name "${short}l" netns "$router"
    ip link add "${short}w" netns "$router" type veth peer name "${short}n" netns "$net"
    in_ns "$home" ip addr add 10.77.0.2/24 dev "${short}h"
    in_ns "$home" ip link set "${short}h" up
    in_ns "$home" ip route add default via 10.77.0.1
    in_ns "$router" ip addr add 10.77.0.1/24 dev "${short}l"
    in_ns "$router" ip addr add "$wan.1/24" dev "${short}w"
    in_ns "$router" ip link set "${short}l" up
    in_ns "$router" ip link set "${short}w" up
    in_ns "$router" sysctl -qw net.ipv4.ip_forward=1
    in_ns "$net" ip addr add "$wan.2/24" dev "${short}n"
    in_ns "$net" ip link set "${short}n" up
    # The home goes out masqueraded; from outside, only what miniupnpd
    # forwards comes in.
    in_ns "$router" nft -f - <<NFT
table inet kvel {
  chain forward {
    type filter hook forward priority 0; policy drop;
    ct state established,related accept
    iifname "${short}l" accept
    jump miniupnpd
  }
  chain miniupnpd {
  }
  chain prerouting {
    type nat hook prerouting priority -100; policy accept;
    jump prerouting_miniupnpd
  }
  chain postrouting {
    type nat hook postrouting priority 100; policy accept;
    jump postrouting_miniupnpd
    oifname "${short}w" masquerade
  }
  chain prerouting_miniupnpd {
  }
  chain postrouting_miniupnpd {
  }
}
NFT
    [ "$kind" = no-upnp ] && exit 0
    cat >"$dir/miniupnpd.conf" <<CONF
ext_ifname=${short}w
listening_ip=${short}l
http_port=5000
enable_natpmp=no
enable_upnp=yes
secure_mode=yes
system_uptime=yes
lease_file=$dir/miniupnpd.leases
uuid=$(cat /proc/sys/kernel/random/uuid)
upnp_table_name=kvel
upnp_nat_table_name=kvel
upnp_forward_chain=miniupnpd
upnp_nat_chain=prerouting_miniupnpd
upnp_nat_postrouting_chain=postrouting_miniupnpd
allow 1024-65535 10.77.0.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
CONF
    # `ip netns exec` becomes miniupnpd: $! is the daemon's own pid.
    ip netns exec "$router" /usr/sbin/miniupnpd -f "$dir/miniupnpd.conf" -P "$dir/miniupnpd.pid" \
      -d -4 >"$dir/miniupnpd.log" 2>&1 &
    echo $! >"$dir/miniupnpd.pid.own"
    for _ in $(seq 1 100); do
      if in_ns "$router" ss -ltnH 'sport = :5000' | grep -q .; then exit 0; fi
      sleep 0.05
    done
    echo "miniupnpd did not start: $(tail -n 1 "$dir/miniupnpd.log")"
    exit 1
    ;;
  down)
    dir="$3"
    # This world's miniupnpd, by the pids it and its start wrote. Its rules
    # go with the namespaces: no need to wait for its own clean-up.
    for file in "$dir/miniupnpd.pid.own" "$dir/miniupnpd.pid"; do
      if [ -f "$file" ]; then kill -9 "$(cat "$file")" 2>/dev/null || true; fi
    done
    for ns in "$home" "$router" "$net"; do ip netns del "$ns" 2>/dev/null || true; done
    rm -rf "$dir"
    ;;
  mappings)
    in_ns "$router" nft list chain inet kvel prerouting_miniupnpd 2>/dev/null |
      sed -n "s/.* dport \([0-9]*\) dnat ip to \([0-9.]*\):\([0-9]*\).*/\1 -> \2:\3/p" | sort -n
    ;;
  from)
    address="$3"
    in_ns "$home" ip addr replace "$address/24" dev "${short}h"
    in_ns "$home" ip route replace 10.77.0.0/24 dev "${short}h" src "$address"
    ;;
  *)
    echo "world.sh: up, down, mappings or from" >&2
    exit 2
    ;;
esac
