// Calls TuneLedger from C# through P/Invoke: one entry, one search, and every hit of a filter.
//
// From the top of the source tree, after the release build (the program goes into the build):
//   mcs -out:build/release/TuneLedgerExample.exe examples/csharp/TuneLedgerExample.cs && LD_LIBRARY_PATH=build/release mono build/release/TuneLedgerExample.exe
//
// "tuneledger" finds libtuneledger.so on the library path (mono), or TUNELEDGER.dll (.NET on
// Windows). Checks what it prints and exits 1 on a wrong answer.
using System;
using System.Collections.Generic;
using System.Runtime.InteropServices;

static class TuneLedger {
  const string Library = "tuneledger";

  // The answers are declared IntPtr: they belong to the library. Declared as string, the
  // marshaller would copy the text and then free the library's buffer. StdCall is the calls'
  // convention in the 32-bit DLL; elsewhere there is only one convention and it changes nothing.
  // CharSet.Unicode passes the string arguments as UTF-16, on every platform.
  [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Unicode)]
  public static extern IntPtr FoodPicker(int index);

  [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Unicode)]
  public static extern IntPtr FoodPickerText(string text, int start);

  [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Unicode)]
  public static extern IntPtr FoodPickerFilter(string filter, int start);

  // Copies an answer out before this thread calls the same function again.
  public static string Pick(int index) { return Marshal.PtrToStringUni(FoodPicker(index)); }
  public static string Text(string text, int start) { return Marshal.PtrToStringUni(FoodPickerText(text, start)); }
  public static string Filter(string filter, int start) { return Marshal.PtrToStringUni(FoodPickerFilter(filter, start)); }

  // Every hit, paging on from one past the index of each.
  public static IEnumerable<KeyValuePair<int, string>> EveryHit(Func<string, int, string> search, string query) {
    for (int start = 0;;) {
      string answer = search(query, start);
      if (answer == "NOT FOUND!") yield break;
      int dash = answer.IndexOf('-');
      int index = int.Parse(answer.Substring(0, dash));
      yield return new KeyValuePair<int, string>(index, answer.Substring(dash + 1));
      start = index + 1;
    }
  }
}

static class Example {
  static int failures = 0;

  static void Show(string label, object value, object expected) {
    Console.WriteLine("{0,-32} {1}", label, value);
    if (!value.Equals(expected)) {
      Console.WriteLine("FAILED: expected {0}", expected);
      ++failures;
    }
  }

  static int Main() {
    const string entry4 = "Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961";
    Show("FoodPicker(4)", TuneLedger.Pick(4), entry4);
    Show("FoodPicker(-1)", TuneLedger.Pick(-1), "Out of range");
    Show("FoodPickerText(\"(X124)\", 0)", TuneLedger.Text("(X124)", 0), "4-" + entry4);
    Show("FoodPickerText(\"(x124)\", 5)", TuneLedger.Text("(x124)", 5), "NOT FOUND!");

    Console.WriteLine("every hit of the filter \"love;(x;\":");
    int hits = 0;
    foreach (var hit in TuneLedger.EveryHit(TuneLedger.Filter, "love;(x;")) {
      Console.WriteLine("  {0,5}  {1}", hit.Key, hit.Value);
      ++hits;
    }
    Show("  hits", hits, 7);

    Console.WriteLine(failures == 0 ? "all answers as expected" : "FAILED");
    return failures == 0 ? 0 : 1;
  }
}
