// KerfloomSetup: unpacks the installation linked into this executable and
// starts the installer from it.
#include "bootstrap.h"
#include "feedback.h"

extern "C" const unsigned char kerfloom_setup_payload[];
extern "C" const unsigned long long kerfloom_setup_payload_size;

int main()
{
    std::unique_ptr<setup::Feedback> feedback = setup::makeFeedback();
    return setup::runBootstrap({kerfloom_setup_payload, size_t(kerfloom_setup_payload_size)}, *feedback);
}
