(self.webpackChunk_N_E=self.webpackChunk_N_E||[]).push([["polyfills-78c92fac7aa8fdd8"],{}]);
