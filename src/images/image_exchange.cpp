#include "images/image_exchange.h"

namespace kvel::images {

void SendImage(uint32_t, const char*) {}
void RequestImage(uint32_t, uint32_t, uint32_t) {}
void AnswerImageRequest(uint32_t, uint32_t, uint32_t) {}
bool ReceiveImagePart(uint32_t, std::span<const uint8_t>) { return false; }
void ShowReceivedImage(uint32_t, uint32_t, uint32_t) {}
void ShowSentImage(uint32_t, const char*) {}

}  // namespace kvel::images
