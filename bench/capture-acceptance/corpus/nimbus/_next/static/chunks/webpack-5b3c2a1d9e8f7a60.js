(self.webpackChunk_N_E=self.webpackChunk_N_E||[]).push([["webpack-5b3c2a1d9e8f7a60"],{}]);
