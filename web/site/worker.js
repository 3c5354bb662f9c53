// Runs the library calls that may take long (generating, explaining, rating, solving,
// hints) off the page's thread. A message {id, fn, args} is answered by {id, result}
// (the call's JSON text), preceded for generate by {id, progress} messages; a call
// that fails (the WebAssembly aborted, out of memory say) is answered by {id, error},
// and the page then replaces this worker, whose module cannot go on.
importScripts('sudoku.js');

const ready = createSudoku();

self.onmessage = async (event) => {
    const { id, fn, args } = event.data;
    const sudoku = await ready;
    try {
        const callArgs = fn === 'generate' ? [...args, (tried) => self.postMessage({ id, progress: tried })] : args;
        self.postMessage({ id, result: sudoku[fn](...callArgs) });
    } catch (error) {
        self.postMessage({ id, error: String(error && error.message ? error.message : error) });
    }
};
