#ifndef STM32FLASHER_H
#define STM32FLASHER_H

#include <QByteArray>
#include <QObject>
#include <QVector>

#include <atomic>

class BootloaderLink;

// One image written to the gripper in this run, kept for the read-back.
struct FlashImage
{
    QByteArray content;
    quint32 address = 0;
};

// Erasing, writing, reading back and starting the STM32 flash over a link to
// the ROM bootloader that is already synchronised. Each step blocks until
// the gripper has answered, so it runs on a worker thread; progress (0 to
// 100 per step) is reported through progressChanged. cancel() may be called
// from any thread: the step under way stops before its next command, and
// the gripper stays in its ROM, where it can be written again.
class Stm32Flasher : public QObject
{
    Q_OBJECT

public:
    // NotStarted: written and read back equal, but the ROM refused its Go or
    // never answered it; the gripper waits in its ROM, runs nothing new.
    enum Result { Done, Failed, Cancelled, NotStarted };
    Q_ENUM(Result)

    explicit Stm32Flasher(BootloaderLink *link, QObject *parent = nullptr);

    // Erases `count` sectors from the one that begins at `address`.
    Result erase(quint32 address, quint32 count);
    Result write(const QByteArray &image, quint32 address);
    // Reads back every image and, when all match, starts the code at
    // `startAddress` and closes the link. A mismatch closes the link without
    // starting anything; a Go the ROM does not acknowledge is NotStarted.
    Result verifyAndStart(const QVector<FlashImage> &images, quint32 startAddress);

    void cancel() { cancelRequested = true; }
    // A new run on the same link.
    void reset()
    {
        cancelRequested = false;
        lost = false;
    }
    bool isCancelled() const { return cancelRequested; }
    // The last Failed was the line's (no answer, a port gone), not a refusal
    // of the ROM or a read-back that differs.
    bool lineLost() const { return lost; }

signals:
    void progressChanged(int progress);

private:
    Result failed(uint8_t result);

    BootloaderLink *link;
    std::atomic<bool> cancelRequested{false};
    bool lost = false;
};

#endif
