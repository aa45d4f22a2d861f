// The serial devices in a made-up system tree: every adapter listed with
// its description, the drive cable's adapter found among them, and the
// setting dialog's rule that the adapter wins over the typed port.
#include "drive/connection/drive_connection.h"
#include "tests/app/support/fake_usb_tty.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scratch_directory.h"
#include "link/serial_devices.h"
#include "link/usb_serial_port.h"

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
        tarvex::test::plugUsbTty(dir_.path(), name, driver, vendor);
    }
    void addOnBoardTty(const std::string &name)
    {
        fs::create_directories(dir_ / "class" / "tty" / name);
    }
    // The USB device's product id and the names it gives itself.
    void describe(const std::string &name, const std::string &product, const std::string &manufacturer,
                  const std::string &productName)
    {
        dir_.write("devices/usb-" + name + "/idProduct", product + "\n");
        if (!manufacturer.empty())
            dir_.write("devices/usb-" + name + "/manufacturer", manufacturer + "\n");
        if (!productName.empty())
            dir_.write("devices/usb-" + name + "/product", productName + "\n");
    }
    // A device node in the made-up /dev, with its stable name if given.
    void addNode(const std::string &name, const std::string &stableName = {})
    {
        fs::create_directories(dir_ / "dev" / "serial" / "by-id");
        dir_.write("dev/" + name, "");
        if (!stableName.empty())
            fs::create_symlink("../../" + name, dir_ / "dev" / "serial" / "by-id" / stableName);
    }
    SerialDeviceRoots roots() const
    {
        SerialDeviceRoots r;
        r.sysfs = root();
        r.dev = (dir_.path() / "dev").string();
        r.virtualDriveLink = (dir_.path() / "no-virtual-drive").string();
        return r;
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

TEST(SerialDevices, EveryAdapterIsListedWithWhatTheSystemKnowsOfIt)
{
    FakeSysfs sys;
    sys.addOnBoardTty("ttyS0");
    sys.addOnBoardTty("tty1"); // a console: never offered
    sys.addNode("ttyS0");
    sys.addTty("ttyUSB0", "ftdi_sio", "0403");
    sys.describe("ttyUSB0", "6001", "FTDI", "FT232R USB UART");
    sys.addNode("ttyUSB0", "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    sys.addTty("ttyUSB1", "cp210x", "10c4");
    sys.describe("ttyUSB1", "ea60", "", "");
    sys.addTty("ttyUSB2", "ch341-uart", "1a86");
    sys.describe("ttyUSB2", "7523", "", "USB Serial");
    sys.addTty("ttyUSB10", "pl2303", "067b");
    sys.describe("ttyUSB10", "2303", "Prolific Technology Inc.", "USB-Serial Controller");
    sys.addTty("ttyACM0", "cdc_acm", "2341");
    sys.describe("ttyACM0", "0043", "Arduino (www.arduino.cc)", "");

    const std::vector<SerialDevice> found = listSerialDevices(sys.roots());
    const std::string dev = sys.roots().dev;
    std::vector<std::string> nodes;
    for (const SerialDevice &port : found)
        nodes.push_back(port.device);
    EXPECT_EQ(nodes, (std::vector<std::string>{dev + "/ttyS0", dev + "/ttyACM0", dev + "/ttyUSB0",
                                               dev + "/ttyUSB1", dev + "/ttyUSB2", dev + "/ttyUSB10"}));
    ASSERT_EQ(found.size(), 6u);
    EXPECT_EQ(found[0].description(), dev + "/ttyS0") << "an on-board port is just its name";
    EXPECT_EQ(found[1].family, AdapterFamily::OtherUsb);
    EXPECT_EQ(found[1].description(), dev + "/ttyACM0: Arduino (www.arduino.cc) [2341:0043], driver cdc_acm");
    EXPECT_EQ(found[2].family, AdapterFamily::Ftdi);
    EXPECT_EQ(found[2].description(),
              dev + "/ttyUSB0: FTDI FT232R USB UART [0403:6001], driver ftdi_sio, " + dev +
                  "/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(found[3].family, AdapterFamily::Cp210x);
    EXPECT_EQ(found[3].description(), dev + "/ttyUSB1: Silicon Labs CP210x [10c4:ea60], driver cp210x");
    EXPECT_EQ(found[4].family, AdapterFamily::Ch340);
    EXPECT_EQ(found[4].description(), dev + "/ttyUSB2: WCH CH340 USB Serial [1a86:7523], driver ch341-uart");
    EXPECT_EQ(found[5].family, AdapterFamily::Pl2303);
    EXPECT_EQ(found[5].productId, "2303");

    // The drive cable's converter still wins, whatever else is plugged in.
    EXPECT_EQ(findUsbSerialAdapter(sys.root()).device, "/dev/ttyUSB10");
}

TEST(SerialDevices, AttributesAreBoundedAndPrintable)
{
    FakeSysfs sys;
    sys.addTty("ttyUSB0", "ftdi_sio", "0403");
    sys.describe("ttyUSB0", "6001", std::string(500, 'M') + "\x01\x1b[31m", "");
    const std::vector<SerialDevice> found = listSerialDevices(sys.roots());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_LE(found[0].manufacturer.size(), 64u);
    EXPECT_EQ(found[0].manufacturer.find('\x1b'), std::string::npos);
}

TEST(SerialDevices, APickedDescriptionNamesItsNodeAndTypedTextStaysAsTyped)
{
    FakeSysfs sys;
    sys.addTty("ttyUSB0", "cp210x", "10c4");
    sys.describe("ttyUSB0", "ea60", "", "CP2102 USB to UART Bridge Controller");
    const std::vector<SerialDevice> found = listSerialDevices(sys.roots());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(portFromChoice(found[0].description(), found), found[0].device);
    EXPECT_EQ(portFromChoice("  /dev/ttyUSB5 ", found), "/dev/ttyUSB5");
    EXPECT_EQ(portFromChoice("3", found), "3");
    EXPECT_EQ(portFromChoice("   ", found), "");
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
