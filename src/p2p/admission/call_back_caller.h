// Who a code-3 caller is. Its hello names the contact it claims to be, but
// only its address says where it is: a call-back takes the contact's wait
// when it comes from the address the GG server announced for that contact.
// A contact behind a router may rightly call from the router's public
// address instead, so where the announced address is one no router can
// stand in front of, another address is a stranger's, and otherwise the
// user decides. Pure.
#pragma once

#include <cstdint>
#include <string>

namespace kvel::p2p {

enum class CallBackCaller {
  Contact,   // from the announced address
  Stranger,  // from elsewhere, while the contact was announced where it is seen as it is
  Unsure,    // from elsewhere, the contact announced at no address, or behind a router
};

// `remote` is the connection's other end, `announced` what the GG server
// announced for the claimed number (0: none), both in network byte order.
CallBackCaller JudgeCallBackCaller(uint32_t remote, uint32_t announced);

// The user's question about an Unsure caller (Windows-1250): the contact's
// name, the caller's address and the name of the first file that waits for
// it (none yet when `file` is empty). "No" is the default answer.
std::string ForeignCallBackQuestion(const std::string& contact, uint32_t remote,
                                    const std::string& file);

}  // namespace kvel::p2p
