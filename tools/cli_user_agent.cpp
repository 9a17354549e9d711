#include "tools/cli_user_agent.h"

int16_t ZCliUserAgent::Start() {
    const int16_t result = agent_->Start();
    startResult_.store(result);
    return result;
}

void ZCliUserAgent::SetServiceType(const char* pattern) {
    agent_->SetServiceType(serviceType_ ? serviceType_->c_str() : pattern);
}

bool ZCliUserAgent::Search(const char* address, const char* data, int16_t* result) {
    // Counted before it is sent, so an answer to this cycle never sees the previous count.
    searches_.fetch_add(1);
    int16_t code = result != nullptr ? *result : 0;  // left as it was when the agent leaves it
    const bool sent = agent_->Search(address, searchData_ ? searchData_->c_str() : data, &code);
    if (!sent) {
        lastSearchError_.store(code);
    }
    if (result != nullptr) {
        *result = code;
    }
    return sent;
}

void ZCliUserAgent::Release() {
    agent_->Release();
    agent_ = nullptr;
    delete this;
}
