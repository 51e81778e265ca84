// libFuzzer target: one command of the maker's protocol answered with arbitrary bytes. The first
// two bytes choose the command code and the caller's length. A transaction succeeds exactly when
// its status is 0, and a read never reports more bytes than the buffer holds; bytes that came
// before a reply header go to the receive handler in order.

#include <cstdint>
#include <cstdlib>

#include "FuzzLinkPeer.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int code = data[0] & 0x7F;
    uint16_t length = data[1];
    fuzz::LinkPeer peer(data + 2, size - 2);
    size_t handedOn = 0;
    peer.channel.SetOnReceiveData([&](const uint8_t*, size_t n) { handedOn += n; });
    uint8_t buffer[kCommandBufferSize] = {};
    const bool ok = peer.link.DeviceCommand(code, buffer, length);
    if (ok != (peer.link.LinkStatus == 0)) std::abort();
    if (length > kCommandBufferSize) std::abort();
    if (handedOn > size) std::abort();
    return 0;
}
