// The update server's words from hostile bytes: a listing becomes a list of
// whole entries with names that end inside their fields, replies end or wait
// but never read past their line, and a passive reply gives an address of at
// most 15 characters or none.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/net.h"
#include "net/netproto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CreateFTPNodes((const char *)data, (ULONG)size);
    if (FTPList && FTPList->FirstNode) {
        ListNode *n = FTPList->FirstNode;
        for (ULONG i = 0; i < FTPList->Elemente; ++i, n = n->Next) {
            const auto *e = (const FTPListEntry *)n;
            if (!memchr(e->DataName, 0, sizeof e->DataName) || !memchr(e->CommentName, 0, sizeof e->CommentName))
                std::abort();
            if (e->DataName[0] == '.' || std::strchr(e->DataName, '/')) std::abort();
        }
    }
    FreeFTPList();

    FtpReply r;
    FtpReplyReset(&r);
    size_t start = 0;
    for (size_t i = 0; i < size; ++i)
        if (data[i] == '\n' || i - start >= 300) {
            FtpReplyFeed(&r, data + start, (ULONG)(i + 1 - start));
            if (std::strlen(r.Text) >= FTP_REPLY_MAX) std::abort();
            start = i + 1;
        }

    std::string text((const char *)data, size);
    char address[16];
    UWORD port = 0;
    const ULONG n = ConvertFTPAddress(text.c_str(), &port, address);
    if (n > 15 || (n && std::strlen(address) != n)) std::abort();
    return 0;
}
