#pragma once

// Receives the changes a user makes on a control, synchronously on the message thread, on
// every drag step (never on press or release). The receiver tells controls apart by sender.
class NXUICallback
{
public:
    virtual ~NXUICallback() = default;
    virtual void uiValueChanged(void* sender, int index, float value) = 0;
};
