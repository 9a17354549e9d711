#pragma once
// IZG2PCodecHandler: what a ZZG2PCodec calls for each message it completes.
//
//   class Engine : public IZG2PCodecHandler {
//       bool OnMessage(ZZG2PMessage* m, int) override { ZZG2PMessage copy(*m); ...; return true; }
//       bool OnError(int, int) override { return true; }
//   };
//
// Ownership: the codec never owns its handler. The message passed to OnMessage belongs to the
// codec and is deleted as soon as the call returns; a handler that keeps it makes a copy.
// Results are not used.

class ZZG2PMessage;

class IZG2PCodecHandler {
public:
    // Codes of OnError.
    static constexpr int kErrorCheckValue =
        1;                                    // a complete message whose check value did not match
    static constexpr int kErrorTooLarge = 2;  // a header announced more than the codec gathers

    // A complete, verified message; context is the value given to Feed.
    virtual bool OnMessage(ZZG2PMessage* message, int context) = 0;
    virtual bool OnError(int code, int context) = 0;

    virtual ~IZG2PCodecHandler() = default;
};
