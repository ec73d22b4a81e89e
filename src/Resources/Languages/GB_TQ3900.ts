<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB">
<context>
    <name>BackupDialog</name>
    <message>
        <source>ConnectTheTQE3900ToYourPC</source>
        <translation>Connect the TQE3900 to your PC
and press the button Connect.</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>BluetoothPairing</name>
    <message>
        <source>SearchBluetoothDevices</source>
        <translation>Search Bluetooth devices</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>FoundBluetoothDevices</source>
        <translation>Found Bluetooth devices</translation>
    </message>
    <message>
        <source>EnablePairingModeAndPressSearchButton</source>
        <translation>Enable pairing mode
and press Search-Button.</translation>
    </message>
    <message>
        <source>Searching</source>
        <translation>Searching</translation>
    </message>
    <message>
        <source>PairingDevice</source>
        <translation>Pairing device</translation>
    </message>
    <message>
        <source>SelectDeviceForPairing</source>
        <translation>Select device for pairing.</translation>
    </message>
    <message>
        <source>NoDevicesFoundTryAgain</source>
        <translation>No devices found.</translation>
    </message>
    <message>
        <source>PairingNotSuccessfulPleaseTryAgain</source>
        <translation>Pairing not successful. Please try again.</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unknown</translation>
    </message>
</context>
<context>
    <name>Configuration</name>
    <message>
        <source>MicrophoneConfiguration</source>
        <translation>GX-4 sensor unit</translation>
    </message>
    <message>
        <source>Firmwareversion</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <source>HardwareVersion</source>
        <translation>Hardware version</translation>
    </message>
    <message>
        <source>BluetoothName</source>
        <translation>Bluetooth name</translation>
    </message>
    <message>
        <source>BluetoothId</source>
        <translation>Bluetooth address</translation>
    </message>
    <message>
        <source>ButtonMode</source>
        <translation>Button mode</translation>
    </message>
    <message>
        <source>BatteryState</source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>SensorType</source>
        <translation>Sensor type</translation>
    </message>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>noSensor</source>
        <translation>no sensor</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unknown</translation>
    </message>
</context>
<context>
    <name>DateTimeAdjust</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>Manual</source>
        <comment>manual time adjustment</comment>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>Second</source>
        <translation>Second</translation>
    </message>
</context>
<context>
    <name>Displaysettings</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>high</source>
        <translation>high</translation>
    </message>
    <message>
        <source>medium</source>
        <translation>medium</translation>
    </message>
    <message>
        <source>low</source>
        <translation>low</translation>
    </message>
</context>
<context>
    <name>FavouriteButton</name>
    <message>
        <source>TheScreenshotCouldNotBeSaved</source>
        <translation>The screenshot could not be saved.</translation>
    </message>
    <message>
        <source>TheScreenshotCouldNotBeSavedTheDataPartitionIsWithThePC</source>
        <translation>The screenshot could not be saved:
the data partition is lent to the PC.</translation>
    </message>
    <message>
        <source>TheScreenshotCouldNotBeSavedTheDataPartitionIsNotMounted</source>
        <translation>The screenshot could not be saved:
the data partition is not mounted.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>Firmwareupdate</name>
    <message>
        <source>TQE 3900</source>
        <translation>TQE 3900</translation>
    </message>
    <message>
        <source>GX-4</source>
        <translation>GX-4</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>UpdateDevice</source>
        <translation>Do you really want to update the firmware?</translation>
    </message>
    <message>
        <source>CurrentFirmware</source>
        <translation>Current firmware:</translation>
    </message>
    <message>
        <source>NewFirmware</source>
        <translation>New firmware:</translation>
    </message>
    <message>
        <source>TransmittingFirmware</source>
        <translation>Transmitting firmware</translation>
    </message>
    <message>
        <source>UpdatingDevice</source>
        <translation>Updating device</translation>
    </message>
    <message>
        <source>PleaseWaitForReboot</source>
        <translation>Please wait for reboot ...</translation>
    </message>
    <message>
        <source>ConnectTheTQE3900ToYourPCAndPressTheButtonConnect</source>
        <translation>Connect the TQE3900 to your PC
and press the button Connect.</translation>
    </message>
    <message>
        <source>PleaseCopyTheFirmwarefilesPressTheButtonDisconnectIfAllFilesAreCopied</source>
        <translation>Please copy the firmware files.
Press the button Disconnect,
if all files are copied.</translation>
    </message>
    <message>
        <source>UpdateTQE3900</source>
        <translation>Update the TQE3900?</translation>
    </message>
    <message>
        <source>UpdateGX-4</source>
        <translation>Update the GX-4?</translation>
    </message>
    <message>
        <source>UpdatingTQE3900</source>
        <translation>Updating TQE3900</translation>
    </message>
    <message>
        <source>CouldNotReadFirmwarefile</source>
        <translation>Could not read firmwarefile. Please try again.</translation>
    </message>
    <message>
        <source>CopyingFilesPleaseWait</source>
        <translation>Copying files, please wait ...</translation>
    </message>
    <message>
        <source>CouldNotCopyFirmwarefile</source>
        <translation>Could not copy the firmware file.
Please try again.</translation>
    </message>
    <message>
        <source>FirmwareupdateTQE3900</source>
        <translation>Firmware update TQE3900</translation>
    </message>
    <message>
        <source>AllFilesCopiedPleaseWaitForReboot</source>
        <translation>All files copied.
Please wait for reboot ...</translation>
    </message>
    <message>
        <source>FirmwareupdateGX-4</source>
        <translation>Firmware update GX-4</translation>
    </message>
    <message>
        <source>FirmwareupdateSuccessfullyFinished.</source>
        <translation>Firmware update successfully finished.</translation>
    </message>
    <message>
        <source>FirmwareupdateCancelled</source>
        <translation>Firmware update cancelled.</translation>
    </message>
    <message>
        <source>TransmittingFirmwarePleaseWait</source>
        <translation>Transmitting firmware, please wait ...</translation>
    </message>
    <message>
        <source>ErrorDuringFirmwareUpdatePleaseTryAgain</source>
        <translation>Error during firmware update.
Please try again.</translation>
    </message>
    <message>
        <source>FirmwareSuccessfulTransmittedPleaseWaitForRestart</source>
        <translation>Firmware successfully transmitted.
Please wait for the restart ...</translation>
    </message>
    <message>
        <source>FirmwareupdateSuccessful</source>
        <translation>Firmware update successful.</translation>
    </message>
    <message>
        <source>ErrorDuringUpdatePleaseTryAgainNoAnswerReceivedFromBluetoothDevice</source>
        <translation>Error during update please try again.
No answer received from bluetooth device.</translation>
    </message>
</context>
<context>
    <name>GpsMonitor</name>
    <message>
        <source>GpsInformation</source>
        <translation>GPS information</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Latitude</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>Longitude</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>DistanceMeasurement</source>
        <translation>Distance measurement</translation>
    </message>
    <message>
        <source>ReferencePosition</source>
        <translation>Reference position</translation>
    </message>
    <message>
        <source>CurrentPosition</source>
        <translation>Current position</translation>
    </message>
    <message>
        <source>Distance</source>
        <translation>Distance</translation>
    </message>
    <message>
        <source>SatelliteInformation</source>
        <translation>Satellite information</translation>
    </message>
    <message>
        <source>Satellites</source>
        <translation>Satellites</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Groundspeed</source>
        <translation>Groundspeed</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Mainmenu</source>
        <translation>Mainmenu</translation>
    </message>
    <message>
        <source>SatelliteInfo</source>
        <translation>Satellite info</translation>
    </message>
    <message>
        <source>SwitchGpsFormat</source>
        <translation>Switch GPS format</translation>
    </message>
    <message>
        <source>DisplayNmeaData</source>
        <translation>Display NMEA data</translation>
    </message>
    <message>
        <source>SetReferencePosition</source>
        <translation>Set reference position</translation>
    </message>
    <message>
        <source>DisplayGpsPosition</source>
        <translation>Display GPS position</translation>
    </message>
    <message>
        <source>StartMonitoring</source>
        <translation>Start monitoring</translation>
    </message>
    <message>
        <source>StopMonitoring</source>
        <translation>Stop monitoring</translation>
    </message>
    <message>
        <source>DeleteData</source>
        <translation>Delete data</translation>
    </message>
</context>
<context>
    <name>H2Sensor</name>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>SetReferenceLevel</source>
        <translation>Set reference level</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>HeadphoneVolume</source>
        <translation>Headphone volume</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>YouMustConnectAH2-SensorToUseThisMeasurement</source>
        <translation>You must connect a H2-Sensor
to use this measurement.</translation>
    </message>
</context>
<context>
    <name>HearingProtection</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Active</translation>
    </message>
    <message>
        <source>Inactive</source>
        <translation>Inactive</translation>
    </message>
    <message>
        <source>HearingProtection</source>
        <translation>Hearing protection</translation>
    </message>
    <message>
        <source>WarningHearingProtection</source>
        <translation>Warning! Risk of an acoustic shock.</translation>
    </message>
    <message>
        <source>WarningRiskOfAcousticShock</source>
        <translation>Warning! Risk of an acoustic shock.</translation>
    </message>
    <message>
        <source>MaximumVolumeWillBeLimited</source>
        <translation>Maximum volume will be limited.</translation>
    </message>
    <message>
        <source>DefaultHeadphoneVolume</source>
        <translation>Adjust headphone volume</translation>
    </message>
</context>
<context>
    <name>LanguageSelect</name>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>German</source>
        <translation>German</translation>
    </message>
    <message>
        <source>French</source>
        <translation>French</translation>
    </message>
    <message>
        <source>Italian</source>
        <translation>Italian</translation>
    </message>
    <message>
        <source>Spanish</source>
        <translation>Spanish</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>Czech</source>
        <translation>Czech</translation>
    </message>
    <message>
        <source>Hungarian</source>
        <translation>Hungarian</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>Slovenian</source>
        <translation>Slovenian</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <source>Polish</source>
        <translation>Polish</translation>
    </message>
    <message>
        <source>Portuguese</source>
        <translation>Portuguese</translation>
    </message>
    <message>
        <source>Romanian</source>
        <translation>Romanian</translation>
    </message>
    <message>
        <source>Slovakian</source>
        <translation>Slovakian</translation>
    </message>
    <message>
        <source>Swedish</source>
        <translation>Swedish</translation>
    </message>
    <message>
        <source>Suomi</source>
        <translation>Suomi</translation>
    </message>
    <message>
        <source>Danish</source>
        <translation>Danish</translation>
    </message>
    <message>
        <source>Norwegian</source>
        <translation>Norwegian</translation>
    </message>
    <message>
        <source>Bulgarian</source>
        <translation>Bulgarian</translation>
    </message>
    <message>
        <source>Croatian</source>
        <translation>Croatian</translation>
    </message>
    <message>
        <source>Korean</source>
        <translation>Korean</translation>
    </message>
    <message>
        <source>Serbian</source>
        <translation>Serbian</translation>
    </message>
    <message>
        <source>Turkish</source>
        <translation>Turkish</translation>
    </message>
    <message>
        <source>PreviousPage</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>NextPage</source>
        <translation>Next page</translation>
    </message>
</context>
<context>
    <name>MainMenu</name>
    <message>
        <source>Histogram</source>
        <translation>Pinpointing</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>Longterm</source>
        <translation>Long-term</translation>
    </message>
    <message>
        <source>H2Sensor</source>
        <translation>H2 sensor</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>Pipe locating</translation>
    </message>
    <message>
        <source>Management</source>
        <translation>Management</translation>
    </message>
</context>
<context>
    <name>MeasManagement</name>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>EditMeasurement</source>
        <translation>Edit measurements</translation>
    </message>
    <message>
        <source>FilterMeasurements</source>
        <translation>Filter measurements</translation>
    </message>
    <message>
        <source>PreviousPage</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>NextPage</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>NameNotAllowed</source>
        <translation>A name must not contain &quot;/&quot;.
The measurement keeps its name.</translation>
    </message>
</context>
<context>
    <name>MeasManagementEdit</name>
    <message>
        <source>ChangeName</source>
        <translation>Change name</translation>
    </message>
    <message>
        <source>Measurementtype</source>
        <translation>Measurement type</translation>
    </message>
    <message>
        <source>Date / Time</source>
        <translation>Date / Time</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Histogram</source>
        <translation>Pinpointing</translation>
    </message>
    <message>
        <source>Levelmeasurement</source>
        <translation>Level measurement</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>Pipe locating</translation>
    </message>
    <message>
        <source>H2-Measurement</source>
        <translation>H2 measurement</translation>
    </message>
    <message>
        <source>Longtermmeasurement</source>
        <translation>Long-term measurement</translation>
    </message>
</context>
<context>
    <name>Measurements</name>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>OnlyAfewMeasurementsCanBeStored</source>
        <translation>Number of measurements near limit.
Please delete old measurements.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>NoMoreMeasurementsCanBeStored</source>
        <translation>Maximum number of measurements reached.
Measurement will not be stored.
Please delete old measurements.</translation>
    </message>
    <message>
        <source>MeasurementCouldNotBeStored</source>
        <translation>Measurement could not be stored.
Please check the SD card.</translation>
    </message>
</context>
<context>
    <name>PartitionLending</name>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>TheDataPartitionCouldNotBeMountedCheckTheCard</source>
        <translation>The data partition could not be mounted.
The card may need checking on a PC.</translation>
    </message>
    <message>
        <source>TheDataPartitionIsInUseTryAgain</source>
        <translation>The data cannot be lent to the PC:
the partition is in use.
Please try again.</translation>
    </message>
    <message>
        <source>ThePCStillHoldsTheDataPartitionTryAgain</source>
        <translation>The data cannot be taken back:
the PC still holds the partition.
Please try again.</translation>
    </message>
    <message>
        <source>TheUsbConnectionCouldNotBeMadeTryAgain</source>
        <translation>The data cannot be lent to the PC:
the USB connection could not be made.
Please try again.</translation>
    </message>
</context>
<context>
    <name>PowerSaving</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>BacklightOff</source>
        <translation>Backlight off</translation>
    </message>
    <message>
        <source>PowerOff</source>
        <translation>Power off</translation>
    </message>
    <message>
        <source>never</source>
        <translation>never</translation>
    </message>
</context>
<context>
    <name>PressureSensor</name>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>SetReferenceLevel</source>
        <translation>Set reference level</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>HeadphoneVolume</source>
        <translation>Headphone volume</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>MAX = --- bar</source>
        <translation>MAX = --- bar</translation>
    </message>
    <message>
        <source>MIN = --- bar</source>
        <translation>MIN = --- bar</translation>
    </message>
    <message>
        <source>AVG = --- bar</source>
        <translation>AVG = --- bar</translation>
    </message>
    <message>
        <source>DEV = --- bar</source>
        <translation>DEV = --- bar</translation>
    </message>
    <message>
        <source>-- bar</source>
        <translation>-- bar</translation>
    </message>
    <message>
        <source>%1 bar</source>
        <translation>%1 bar</translation>
    </message>
    <message>
        <source>MAX = %1 bar</source>
        <translation>MAX = %1 bar</translation>
    </message>
    <message>
        <source>MIN = %1 bar</source>
        <translation>MIN = %1 bar</translation>
    </message>
    <message>
        <source>AVG = %1 bar</source>
        <translation>AVG = %1 bar</translation>
    </message>
    <message>
        <source>DEV = %1 bar</source>
        <translation>DEV = %1 bar</translation>
    </message>
    <message>
        <source>ACT = %1 bar</source>
        <translation>ACT = %1 bar</translation>
    </message>
</context>
<context>
    <name>SelectSwitchmode</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ModeOfMutingButton</source>
        <translation>Mode of the mute key</translation>
    </message>
    <message>
        <source>Switch</source>
        <translation>Switch</translation>
    </message>
    <message>
        <source>PushButton</source>
        <translation>Push button</translation>
    </message>
</context>
<context>
    <name>SelectTimezone</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Summertime</source>
        <translation>Summer time</translation>
    </message>
    <message>
        <source>Wintertime</source>
        <translation>Winter time</translation>
    </message>
    <message>
        <source>MidwayIslands</source>
        <translation>Midway Islands</translation>
    </message>
    <message>
        <source>Hawaii</source>
        <translation>Hawaii</translation>
    </message>
    <message>
        <source>Alaska</source>
        <translation>Alaska</translation>
    </message>
    <message>
        <source>Pacific</source>
        <translation>Pacific</translation>
    </message>
    <message>
        <source>Arizona</source>
        <translation>Arizona</translation>
    </message>
    <message>
        <source>Chicago</source>
        <translation>Chicago</translation>
    </message>
    <message>
        <source>NewYork</source>
        <translation>New York</translation>
    </message>
    <message>
        <source>Manaus</source>
        <translation>Manaus</translation>
    </message>
    <message>
        <source>Newfoundland</source>
        <translation>Newfoundland</translation>
    </message>
    <message>
        <source>Greenland</source>
        <translation>Greenland</translation>
    </message>
    <message>
        <source>MiddleAtlantic</source>
        <translation>Middle Atlantic</translation>
    </message>
    <message>
        <source>Azores</source>
        <translation>Azores</translation>
    </message>
    <message>
        <source>London</source>
        <translation>London</translation>
    </message>
    <message>
        <source>Berlin</source>
        <translation>Berlin</translation>
    </message>
    <message>
        <source>Cairo</source>
        <translation>Cairo</translation>
    </message>
    <message>
        <source>Moscow</source>
        <translation>Moscow</translation>
    </message>
    <message>
        <source>Teheran</source>
        <translation>Teheran</translation>
    </message>
    <message>
        <source>AbuDhabi</source>
        <translation>Abu Dhabi</translation>
    </message>
    <message>
        <source>Kabul</source>
        <translation>Kabul</translation>
    </message>
    <message>
        <source>Islamabad</source>
        <translation>Islamabad</translation>
    </message>
    <message>
        <source>NewDelhi</source>
        <translation>New Delhi</translation>
    </message>
    <message>
        <source>Katmandu</source>
        <translation>Katmandu</translation>
    </message>
    <message>
        <source>Nowosibirsk</source>
        <translation>Nowosibirsk</translation>
    </message>
    <message>
        <source>Yangon</source>
        <translation>Yangon</translation>
    </message>
    <message>
        <source>Bangkok</source>
        <translation>Bangkok</translation>
    </message>
    <message>
        <source>HongKong</source>
        <translation>Hong Kong</translation>
    </message>
    <message>
        <source>Tokio</source>
        <translation>Tokio</translation>
    </message>
    <message>
        <source>Darwin</source>
        <translation>Darwin</translation>
    </message>
    <message>
        <source>Sydney</source>
        <translation>Sydney</translation>
    </message>
    <message>
        <source>Magadan</source>
        <translation>Magadan</translation>
    </message>
    <message>
        <source>Fiji</source>
        <translation>Fiji</translation>
    </message>
</context>
<context>
    <name>SelectFavouriteButton</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Level measurement</source>
        <translation>Level measurement</translation>
    </message>
    <message>
        <source>Pinpointing</source>
        <translation>Pinpointing</translation>
    </message>
    <message>
        <source>Longterm measurement</source>
        <translation>Long-term measurement</translation>
    </message>
    <message>
        <source>H2-Sensor</source>
        <translation>H2 sensor</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>Pipe locating</translation>
    </message>
    <message>
        <source>Screenshot</source>
        <translation>Screenshot</translation>
    </message>
</context>
<context>
    <name>MessageDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Question</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>TextLabel</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
</context>
<context>
    <name>Statusbardata</name>
    <message>
        <source>BatteryVoltageOfGX4ToLow</source>
        <translation>The battery voltage of the GX-4 is too low.
Please recharge.</translation>
    </message>
    <message>
        <source>ProblemWithSensorTypeDetection</source>
        <translation>The type of the sensor could not be detected.
Please fix the sensor or clean its contacts.</translation>
    </message>
    <message>
        <source>TheBatteryIsVeryLowPleaseRecharge</source>
        <translation>The battery is very low.
Please recharge.</translation>
    </message>
    <message>
        <source>TheSensorCouldNotBeDetected</source>
        <translation>The sensor could not be detected.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>Systeminformation</name>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Systeminformation</source>
        <translation>System information</translation>
    </message>
    <message>
        <source>Firmwareversion</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <source>Hardwareversion</source>
        <translation>Hardware version</translation>
    </message>
    <message>
        <source>BluetoothIdTx</source>
        <translation>Bluetooth Id TX</translation>
    </message>
    <message>
        <source>BluetoothIdRx</source>
        <translation>Bluetooth Id RX</translation>
    </message>
    <message>
        <source>Serialnumber</source>
        <translation>Serialnumber</translation>
    </message>
    <message>
        <source>OperatingSystem</source>
        <translation>Operating system</translation>
    </message>
    <message>
        <source>Battery</source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unknown</translation>
    </message>
</context>
<context>
    <name>Systemsettings</name>
    <message>
        <source>Berlin</source>
        <translation>Berlin</translation>
    </message>
    <message>
        <source>Screenshot</source>
        <translation>Screenshot</translation>
    </message>
    <message>
        <source>Histogram</source>
        <translation>Pinpointing</translation>
    </message>
    <message>
        <source>LevelMeasurement</source>
        <translation>Level measurement</translation>
    </message>
    <message>
        <source>LongtermMeasurement</source>
        <translation>Long-term measurement</translation>
    </message>
    <message>
        <source>H2-Sensor</source>
        <translation>H2 sensor</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>Pipe locating</translation>
    </message>
    <message>
        <source>never</source>
        <translation>never</translation>
    </message>
    <message>
        <source>PreviousPage</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>NextPage</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Timezone</source>
        <translation>Time zone</translation>
    </message>
    <message>
        <source>DaylightSavingTime</source>
        <translation>Daylight saving time</translation>
    </message>
    <message>
        <source>Summertime</source>
        <translation>Summertime</translation>
    </message>
    <message>
        <source>Wintertime</source>
        <translation>Wintertime</translation>
    </message>
    <message>
        <source>PairedHeadphone</source>
        <translation>Paired headphone</translation>
    </message>
    <message>
        <source>PairedMicrophone</source>
        <translation>Paired GX-4</translation>
    </message>
    <message>
        <source>ModeMuteButton</source>
        <translation>Mode of the mute key</translation>
    </message>
    <message>
        <source>Switch</source>
        <translation>Switch</translation>
    </message>
    <message>
        <source>PushButton</source>
        <translation>Push-button</translation>
    </message>
    <message>
        <source>FavouriteButton</source>
        <translation>Favourite key</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>low</source>
        <translation>low</translation>
    </message>
    <message>
        <source>medium</source>
        <translation>medium</translation>
    </message>
    <message>
        <source>high</source>
        <translation>high</translation>
    </message>
    <message>
        <source>PowerSaving</source>
        <translation>Power saving</translation>
    </message>
    <message>
        <source>Systeminformation</source>
        <translation>System information</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>Display options</translation>
    </message>
    <message>
        <source>differentValues</source>
        <translation>various values</translation>
    </message>
    <message>
        <source>ResetToDeliverystate</source>
        <translation>Reset to delivery state</translation>
    </message>
    <message>
        <source>HearingProtection</source>
        <translation>Hearing protection</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Active</translation>
    </message>
    <message>
        <source>Inactive</source>
        <translation>Inactive</translation>
    </message>
</context>
<context>
    <name>TestDialog</name>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Pass</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>Fail</translation>
    </message>
</context>
<context>
    <name>TestMenu</name>
    <message>
        <source>PreviousPage</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>NextPage</source>
        <translation>Next page</translation>
    </message>
</context>
<context>
    <name>TestmenuRemoteCtrl</name>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
</context>
<context>
    <name>VirtualKeyboard</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>DEL</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>ENTER</source>
        <translation>Enter</translation>
    </message>
    <message>
        <source>SHIFT</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>SPACE</source>
        <translation>Space</translation>
    </message>
</context>
<context>
    <name>Filtersettings</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>MicrophoneGain</source>
        <translation>Microphone gain</translation>
    </message>
    <message>
        <source>HeadphoneVolume</source>
        <translation>Headphone volume</translation>
    </message>
    <message>
        <source>AutomaticFilterSetting</source>
        <translation>Automatic filter setting</translation>
    </message>
    <message>
        <source>NoFilter</source>
        <translation>No filter</translation>
    </message>
</context>
<context>
    <name>Headphonesettings</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>WarningRiskOfAcousticShock</source>
        <translation>Warning! Risk of an acoustic shock.</translation>
    </message>
    <message>
        <source>WarningHighVolumesCanLeadToHearingDamage</source>
        <comment>Warning! High volumes can lead
to hearing damage.</comment>
        <translation>Warning!
High volumes can lead to hearing damage.</translation>
    </message>
</context>
<context>
    <name>Micsettings</name>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
</context>
<context>
    <name>CustomizeDialogs</name>
    <message>
        <source>LevelMeasurement</source>
        <translation>Level measurement</translation>
    </message>
    <message>
        <source>Histogram</source>
        <translation>Pinpointing</translation>
    </message>
    <message>
        <source>LongtermMeasurement</source>
        <translation>Long-term measurement</translation>
    </message>
    <message>
        <source>H2measurement</source>
        <translation>H2 measurement</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>Pipe locating</translation>
    </message>
    <message>
        <source>PowerOn</source>
        <translation>Power on</translation>
    </message>
    <message>
        <source>ShowFrequencySpectrum</source>
        <translation>Show frequency spectrum</translation>
    </message>
    <message>
        <source>ShowFrequencyValue</source>
        <translation>Show frequency value</translation>
    </message>
    <message>
        <source>ShowPeakLevelBar</source>
        <translation>Show peak level bar</translation>
    </message>
    <message>
        <source>UseFrequencyColorForLevelBar</source>
        <translation>Frequency colour for the level bar</translation>
    </message>
    <message>
        <source>ShowFilterParameter</source>
        <translation>Show filter parameters</translation>
    </message>
    <message>
        <source>DynamicScaling</source>
        <translation>Dynamic scaling</translation>
    </message>
    <message>
        <source>ShowGrid</source>
        <translation>Show grid</translation>
    </message>
    <message>
        <source>ShowHistogram</source>
        <translation>Show histogram</translation>
    </message>
    <message>
        <source>ShowWorkingRange</source>
        <translation>Show working range</translation>
    </message>
    <message>
        <source>StartWithFavourite</source>
        <translation>Start with the favourite</translation>
    </message>
    <message>
        <source>StartWithFilter</source>
        <translation>Start with the filter</translation>
    </message>
    <message>
        <source>StartWithGps</source>
        <translation>Start with GPS</translation>
    </message>
    <message>
        <source>PreviousPage</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>NextPage</source>
        <translation>Next page</translation>
    </message>
</context>
<context>
    <name>ResetSettings</name>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>ResetToDeliveryState</source>
        <translation>Reset to delivery state.
All settings (e.g. language,
paired bluetooth devices) will be reset.
Stored measurements will not be deleted.</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>DoYouReallyWantToResetAllSettings</source>
        <translation>Do you really want to reset all settings?</translation>
    </message>
</context>
<context>
    <name>Management</name>
    <message>
        <source>Measurements</source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>GX-4</source>
        <translation>GX-4</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>MeasurementFrame</name>
    <message>
        <source>Note</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>YouMustConnectAnAcousticalSensorToUseThisMeasurement.</source>
        <translation>You must connect an acoustical sensor
to use this measurement.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>NoBluetoothConnectionPleaseCheckYourGX4</source>
        <translation>No bluetooth connection.
Please check your GX-4.</translation>
    </message>
</context>
<context>
    <name>Pinpointing</name>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>Autoscale</source>
        <translation>Autoscale</translation>
    </message>
    <message>
        <source>DeleteLastLevel</source>
        <translation>Delete last level</translation>
    </message>
    <message>
        <source>AdditionalSettings</source>
        <translation>Additional settings</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>AdjustFilter</source>
        <translation>Adjust filter</translation>
    </message>
    <message>
        <source>MicrophoneGain</source>
        <translation>Microphone gain</translation>
    </message>
    <message>
        <source>HeadphoneVolume</source>
        <translation>Headphone volume</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>PlayAudioData</source>
        <translation>Play audio data</translation>
    </message>
    <message>
        <source>StopPlaying</source>
        <translation>Stop playing</translation>
    </message>
    <message>
        <source>PlayNextPosition</source>
        <translation>Play next position</translation>
    </message>
</context>
<context>
    <name>Levelmeasurement</name>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>AdjustFilter</source>
        <translation>Adjust filter</translation>
    </message>
    <message>
        <source>MicrophoneGain</source>
        <translation>Microphone gain</translation>
    </message>
    <message>
        <source>HeadphoneVolume</source>
        <translation>Headphone volume</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>PlayRecordedSound</source>
        <translation>Play recorded sound</translation>
    </message>
    <message>
        <source>StopPlaying</source>
        <translation>Stop playing</translation>
    </message>
    <message>
        <source>HeadphoneGain</source>
        <translation>Headphone gain</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
</context>
<context>
    <name>Pipelocating</name>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>AdjustFilter</source>
        <translation>Adjust filter</translation>
    </message>
    <message>
        <source>MicrophoneGain</source>
        <translation>Microphone gain</translation>
    </message>
    <message>
        <source>HeadphoneVolume</source>
        <translation>Headphone volume</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
</context>
<context>
    <name>Longtermmeasurement</name>
    <message>
        <source>Mainmenu</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>AnalysisTime</source>
        <translation>Analysis time</translation>
    </message>
    <message>
        <source>Autoscale</source>
        <translation>Autoscale</translation>
    </message>
    <message>
        <source>AdditionalSettings</source>
        <translation>Additional settings</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>AdjustFilter</source>
        <translation>Adjust filter</translation>
    </message>
    <message>
        <source>MicrophoneGain</source>
        <translation>Microphone gain</translation>
    </message>
    <message>
        <source>HeadphoneVolume</source>
        <translation>Headphone volume</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Back</translation>
    </message>
</context>
</TS>
