// The network hardware address that goes into a pool's INFO record.
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "net/net.h"

namespace {

bool HardwareAddress(int sock, const char *name, unsigned char out[6])
{
    struct ifreq req{};
    std::snprintf(req.ifr_name, sizeof req.ifr_name, "%s", name);
    if (ioctl(sock, SIOCGIFHWADDR, &req) != 0) return false;
    std::memcpy(out, req.ifr_hwaddr.sa_data, 6);
    static const unsigned char zero[6] = {};
    return std::memcmp(out, zero, 6) != 0;
}

}  // namespace

BOOL GetMacAddress(char *buffer, ULONG *length)
{
    int sock = socket(AF_INET, SOCK_DGRAM, 0);
    if (sock < 0) {
        std::printf("GetMacAddress: creating socket error\n");
        return 0;
    }
    // The customary names first, then any other interface but loopback:
    // current systems name their interfaces after the hardware.
    std::vector<std::string> names = {"eth0", "eth1", "eth2", "wlan0", "wlan1"};
    struct ifaddrs *list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (struct ifaddrs *a = list; a; a = a->ifa_next) {
            if (!a->ifa_name || (a->ifa_flags & IFF_LOOPBACK)) continue;
            std::string n = a->ifa_name;
            bool seen = false;
            for (const auto &k : names) seen = seen || k == n;
            if (!seen) names.push_back(n);
        }
        freeifaddrs(list);
    }
    unsigned char mac[6];
    bool found = false;
    for (const auto &n : names)
        if ((found = HardwareAddress(sock, n.c_str(), mac))) break;
    close(sock);
    if (!found) {
        std::printf("GetMacAddress: problems with ioctl.\n");
        return 0;
    }
    char text[13];
    std::snprintf(text, sizeof text, "%.2x%.2x%.2x%.2x%.2x%.2x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    std::memcpy(buffer, text, 12);
    *length = 12;
    std::printf("GetMacAddress: %.2x:%.2x:%.2x:%.2x:%.2x:%.2x\n", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return 1;
}
