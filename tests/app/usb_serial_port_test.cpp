// Finding the drive cable's USB serial adapter in a made-up system tree,
// and the setting dialog's rule that the adapter wins over the typed port.
#include "drive_connection.h"
#include "recording_messages.h"
#include "scratch_directory.h"
#include "usb_serial_port.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tarvex {
namespace {

// A sysfs with a tty whose device is served by `driver` and sits below a
// USB device of `vendor`.
class FakeSysfs {
public:
    void addTty(const std::string &name, const std::string &driver, const std::string &vendor)
    {
        const fs::path usbDevice = dir_ / "devices" / ("usb-" + name);
        const fs::path port = usbDevice / "1-1:1.0" / name;
        fs::create_directories(port);
        dir_.write("devices/usb-" + name + "/idVendor", vendor + "\n");
        const fs::path driverDir = dir_ / "bus" / "drivers" / driver;
        fs::create_directories(driverDir);
        if (!fs::exists(port / "driver"))
            fs::create_symlink(driverDir, port / "driver");
        fs::create_directories(dir_ / "class" / "tty" / name);
        fs::create_symlink(port, dir_ / "class" / "tty" / name / "device");
    }
    void addOnBoardTty(const std::string &name)
    {
        fs::create_directories(dir_ / "class" / "tty" / name);
    }
    std::string root() const { return dir_.path().string(); }

private:
    test::ScratchDirectory dir_;
};

TEST(UsbSerialAdapter, FoundByItsDriver)
{
    FakeSysfs sys;
    sys.addOnBoardTty("ttyS0");
    sys.addTty("ttyUSB0", "pl2303", "1a86");
    const UsbSerialSearch search = findUsbSerialAdapter(sys.root());
    EXPECT_TRUE(search.listReadable);
    EXPECT_EQ(search.device, "/dev/ttyUSB0");
}

TEST(UsbSerialAdapter, FoundByItsVendorWhenTheDriverIsNamedOtherwise)
{
    FakeSysfs sys;
    sys.addTty("ttyUSB3", "usbserial_generic", "067b");
    EXPECT_EQ(findUsbSerialAdapter(sys.root()).device, "/dev/ttyUSB3");
}

TEST(UsbSerialAdapter, OtherAdaptersAreNotTheDriveCable)
{
    FakeSysfs sys;
    sys.addOnBoardTty("ttyS0");
    sys.addTty("ttyUSB0", "ftdi_sio", "0403");
    sys.addTty("ttyACM0", "cdc_acm", "2341");
    const UsbSerialSearch search = findUsbSerialAdapter(sys.root());
    EXPECT_TRUE(search.listReadable);
    EXPECT_FALSE(search.device);
}

TEST(UsbSerialAdapter, TheLastOfSeveralWins)
{
    FakeSysfs sys;
    sys.addTty("ttyUSB0", "pl2303", "067b");
    sys.addTty("ttyUSB1", "pl2303", "067b");
    EXPECT_EQ(findUsbSerialAdapter(sys.root()).device, "/dev/ttyUSB1");
}

TEST(UsbSerialAdapter, AnUnreadableListIsReported)
{
    EXPECT_FALSE(findUsbSerialAdapter("/nonexistent/sysfs").listReadable);
}

TEST(FindUsbSerialPort, TheAdapterOverridesTheTypedPort)
{
    FakeSysfs sys;
    sys.addTty("ttyUSB6", "pl2303", "067b");
    FrameState frame;
    test::RecordingMessages messages;
    DriveConnection drive(frame, messages);
    drive.setSysfsRoot(sys.root());
    PortChoice port{3, ""};
    EXPECT_TRUE(drive.FindUsbSerialPort(port));
    EXPECT_EQ(port.device, "/dev/ttyUSB6");
    EXPECT_TRUE(messages.empty());
}

TEST(FindUsbSerialPort, WithoutAdapterTheTypedPortStays)
{
    FakeSysfs sys;
    sys.addOnBoardTty("ttyS0");
    FrameState frame;
    test::RecordingMessages messages;
    DriveConnection drive(frame, messages);
    drive.setSysfsRoot(sys.root());
    PortChoice port{3, ""};
    EXPECT_FALSE(drive.FindUsbSerialPort(port));
    EXPECT_EQ(port, (PortChoice{3, ""}));
    EXPECT_TRUE(messages.empty());
}

TEST(FindUsbSerialPort, AnUnreadableListShowsFailAndKeepsThePort)
{
    FrameState frame;
    test::RecordingMessages messages;
    DriveConnection drive(frame, messages);
    drive.setSysfsRoot("/nonexistent/sysfs");
    PortChoice port{5, ""};
    EXPECT_FALSE(drive.FindUsbSerialPort(port));
    EXPECT_EQ(port.number, 5);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Fail"});
}

} // namespace
} // namespace tarvex
