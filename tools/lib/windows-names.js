// File names as Windows reads them: what a name written into an app folder
// must not be.
const NOT_IN_FILE_NAMES = /[\\/:*?"<>|\u0000-\u001f]/;
// Device names, with or without an extension, open the device instead of a file.
const DEVICE_NAME = /^(con|prn|aux|nul|com[0-9\u00b9\u00b2\u00b3]|lpt[0-9\u00b9\u00b2\u00b3])(\.[^.]*)?$/i;

// What is wrong with name as one Windows file name, or null.
export function fileNameProblem(name) {
  if (name === "") return "is empty";
  if (NOT_IN_FILE_NAMES.test(name)) return 'holds a character Windows does not allow (\\ / : * ? " < > | or a control character)';
  if (/[. ]$/.test(name) || name !== name.trimStart()) return "begins with a blank or ends in a dot or a blank, which Windows drops";
  if (DEVICE_NAME.test(name)) return "is the name of a device on Windows";
  if (name.length > 255) return "is longer than the 255 characters Windows allows";
  return null;
}
